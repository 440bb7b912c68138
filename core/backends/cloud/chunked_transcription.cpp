#include "chunked_transcription.h"

#include <iterator>

#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/chunk_progress.h"
#include "kelv/core/backends/cloud/upload_folder.h"

namespace kelv::core {

std::vector<TimedSegment> transcribeInChunks(const std::filesystem::path& track,
                                             double chunkSeconds,
                                             const ChunkTranscriber& transcribeChunk) {
  UploadFolder folder;
  const std::vector<AudioChunk> chunks =
      TrackAudio::compressedChunks(track, chunkSeconds, folder.path());
  std::vector<TimedSegment> result;
  int sent = 0;
  for (const AudioChunk& chunk : chunks) {
    ChunkProgress::report(++sent, static_cast<int>(chunks.size()));
    std::vector<TimedSegment> segments = transcribeChunk(chunk);
    result.insert(result.end(), std::make_move_iterator(segments.begin()),
                  std::make_move_iterator(segments.end()));
  }
  return result;
}

}  // namespace kelv::core
