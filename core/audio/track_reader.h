// Reads one track of a meeting from any moment on, a piece at a time, as 16 kHz mono float:
// what playback pulls while it plays and moves around. Raw tracks (".pcm") are read directly,
// any other file through FFmpeg. Internal to KelvCore; one reader per file, used on one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "ffmpeg_util.h"

namespace kelv::core {

class TrackReader {
 public:
  // Opens the track. Throws PlatformError when the file can't be opened, AudioError
  // (unreadableAudio) when it holds no decodable audio or is cut short of what it declares.
  explicit TrackReader(const std::filesystem::path& path);
  ~TrackReader();
  TrackReader(const TrackReader&) = delete;
  TrackReader& operator=(const TrackReader&) = delete;

  // The track's length in frames at 16 kHz, as the file declares it (raw tracks: by size).
  int64_t frames() const { return frames_; }

  // The next read starts at `frame` of the track (negative reads as 0); past the end, reads
  // give nothing.
  void seek(int64_t frame);

  // Fills `out` from the current frame on; fewer frames only at the end of the track. Throws
  // AudioError on damaged data, PlatformError on read failures.
  size_t read(std::span<float> out);

 private:
  size_t readRaw(std::span<float> out);
  // Decodes at least one more frame of audio into `pending_`; false at the end.
  bool decodeMore();
  void convert(const AVFrame* frame);
  void flushResampler();
  void append(const float* samples, int count);
  [[noreturn]] void unreadable() const;

  std::filesystem::path path_;
  int64_t frames_ = 0;

  int rawFd_ = -1;
  int64_t rawFrame_ = 0;

  AVFormatContext* format_ = nullptr;
  int streamIndex_ = -1;
  ffmpeg::CodecPtr codec_;
  ffmpeg::SwrPtr resampler_;
  ffmpeg::PacketPtr packet_;
  ffmpeg::FramePtr frame_;
  int inFormat_ = -1;
  int inRate_ = 0;
  int inChannels_ = 0;
  std::vector<float> converted_;
  // Decoded samples not yet handed out; `pendingFrame_` is the track frame of the first.
  std::vector<float> pending_;
  size_t pendingStart_ = 0;
  int64_t pendingFrame_ = 0;
  // Samples before this frame are decoded only to be dropped (a seek lands before its target).
  int64_t target_ = 0;
  // After a seek the next decoded frame's time stamp says where the samples lie.
  bool placeByTimestamp_ = false;
  bool inputEnded_ = false;
  bool ended_ = false;
};

}  // namespace kelv::core
