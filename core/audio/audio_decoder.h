// Decodes any audio file FFmpeg understands into 16 kHz mono float samples, streaming.
// Internal to KelvCore; one decoder per file, used on one thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "ffmpeg_util.h"

namespace kelv::core {

class AudioDecoder {
 public:
  using Sink = std::function<void(std::span<const float>)>;

  // Opens the file and finds its audio stream. Throws PlatformError when the file can't be
  // opened, AudioError::unreadableAudio when it holds no decodable audio.
  explicit AudioDecoder(const std::filesystem::path& path);
  ~AudioDecoder();
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;

  // Decodes the whole stream, handing converted samples to `sink` in pieces of any size.
  // Call once. Throws AudioError::unreadableAudio on damaged data, PlatformError on
  // read failures; exceptions from `sink` propagate.
  void decode(const Sink& sink);

  // The length the container or stream declares, in seconds; none when it declares nothing.
  std::optional<double> declaredDuration() const;

 private:
  void convert(const AVFrame* frame, const Sink& sink);
  void flushResampler(const Sink& sink);
  void emit(int count, const Sink& sink);
  [[noreturn]] void unreadable() const;

  std::filesystem::path path_;
  AVFormatContext* format_ = nullptr;
  int streamIndex_ = -1;
  ffmpeg::CodecPtr codec_;
  ffmpeg::SwrPtr resampler_;
  AVChannelLayout inLayout_{};
  int inFormat_ = -1;
  int inRate_ = 0;
  std::vector<float> converted_;
  int64_t produced_ = 0;  // samples handed to the sink
};

}  // namespace kelv::core
