// Writes 16 kHz mono float samples as AAC-LC (32 kbit/s, FFmpeg's native encoder) into an
// MPEG-4 audio file. Internal to KelvCore; one writer per file, used on one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "ffmpeg_util.h"

namespace kelv::core {

class AacWriter {
 public:
  // Creates (or truncates) the file and writes its header. Throws PlatformError.
  explicit AacWriter(const std::filesystem::path& path);
  // Finishes the file if finish() was not called, ignoring errors.
  ~AacWriter();
  AacWriter(const AacWriter&) = delete;
  AacWriter& operator=(const AacWriter&) = delete;

  void write(std::span<const float> samples);
  // Encodes what is buffered, writes the trailer and closes the file. Throws PlatformError.
  void finish();

 private:
  void encode(const float* samples, int count);
  void drainPackets();
  void close() noexcept;

  std::filesystem::path path_;
  AVFormatContext* format_ = nullptr;
  AVStream* stream_ = nullptr;
  ffmpeg::CodecPtr codec_;
  ffmpeg::FramePtr frame_;
  ffmpeg::PacketPtr packet_;
  std::vector<float> queued_;  // less than one encoder frame of samples
  int64_t nextPts_ = 0;
  bool finished_ = false;
};

}  // namespace kelv::core
