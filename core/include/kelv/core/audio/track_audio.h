// Reading, measuring, compressing and chunking track files.
//
// A track is either a raw recording (extension exactly "pcm": 16-bit signed little-endian,
// mono, 16 kHz, no header) or any audio file FFmpeg can decode (WAV, MP3, M4A, Ogg, Opus,
// FLAC, WebM, the audio of MP4/MKV videos...), which is resampled and mixed down. Every
// sample is handed out as 32-bit float, 16000 Hz, one channel.
//
// All operations are stateless and synchronous, run on the calling thread, and may be used
// from several threads at once on different files. Files are streamed: only samples() loads
// a whole track.
//
// Errors: a file that can't be opened, created or written throws PlatformError; a file that
// isn't decodable audio (not audio, empty, truncated, no audio stream) throws
// AudioError::unreadableAudio with its file name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "kelv/core/audio/audio_chunk.h"
#include "kelv/core/audio/audio_format.h"

namespace kelv::core {

class TrackAudio {
 public:
  TrackAudio() = delete;

  // Bytes read from a raw track at a time (10 seconds); frames per decoded buffer.
  static constexpr int64_t kRawReadBytes = 320000;
  static constexpr int64_t kBufferFrames = 160000;

  using Body = std::function<void(std::span<const float> buffer)>;

  // Calls `body` with consecutive buffers of the track, each non-empty and at most
  // kBufferFrames long. An exception from `body` stops reading and propagates.
  static void forEachChunk(const std::filesystem::path& track, const Body& body);

  // Every sample of the track, in order.
  static std::vector<float> samples(const std::filesystem::path& track);

  // Seconds; 0 when the file is missing or can't be measured. Raw tracks are measured by
  // size, other files by their container's or stream's declared length.
  static double duration(const std::filesystem::path& track) noexcept;

  // Writes the whole track as AAC-LC in an MPEG-4 audio file (16 kHz, mono, 32 kbit/s),
  // replacing `destination`. On error a partial destination may remain. A destination that
  // is the source itself is refused (PlatformError, EINVAL) rather than emptied.
  static void compress(const std::filesystem::path& source,
                       const std::filesystem::path& destination);

  // Cuts the track into compressed chunks "chunk-0.m4a", "chunk-1.m4a", ... in `folder`
  // (created with its parents), each at most maxSeconds long, returned in track order. An
  // empty track gives no chunks. On error, chunk files already written stay; the caller owns
  // the folder. Throws std::invalid_argument unless maxSeconds covers at least one sample.
  static std::vector<AudioChunk> compressedChunks(const std::filesystem::path& track,
                                                  double maxSeconds,
                                                  const std::filesystem::path& folder);

  // Where to cut `samples` between `from` and `to`: the middle of the 160-sample window of
  // least energy among the whole windows starting at max(from, 0) in steps of 160 and ending
  // at or before `to` (the earlier window on ties); `to` when there is no such window. Never
  // less than 1. Windows past the end of `samples` are not considered.
  static int64_t quietestCut(std::span<const float> samples, int64_t from, int64_t to);
};

}  // namespace kelv::core
