// How every cloud transcription service sends a track: cut into compressed chunks in a private
// upload folder and sent one chunk after another, the running pipeline told of each chunk as it
// starts. Private to the cloud backends.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "kelv/core/audio/audio_chunk.h"
#include "kelv/core/transcript/timed_segment.h"

namespace kelv::core {

// The segments of one chunk in track time (the chunk's offset already added).
using ChunkTranscriber = std::function<std::vector<TimedSegment>(const AudioChunk&)>;

// The segments of every chunk of `track` in order, each chunk at most `chunkSeconds` long.
// The upload folder and its chunks are removed when this returns or throws; the first error of
// `transcribeChunk` ends the run.
std::vector<TimedSegment> transcribeInChunks(const std::filesystem::path& track,
                                             double chunkSeconds,
                                             const ChunkTranscriber& transcribeChunk);

}  // namespace kelv::core
