// One compressed piece of a track, ready for upload to a transcription service.
#pragma once

#include <filesystem>

namespace kelv::core {

struct AudioChunk {
  // The chunk file: "chunk-<n>.m4a" in the folder given to TrackAudio::compressedChunks.
  std::filesystem::path path;
  // Seconds on the track's own timeline at which the chunk's first sample lies (its absolute
  // sample index / 16000). Add it to every time reported for this chunk.
  double offset = 0;

  bool operator==(const AudioChunk&) const = default;
};

}  // namespace kelv::core
