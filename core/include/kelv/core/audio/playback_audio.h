// The sound of one meeting for listening back: its tracks decoded together and mixed, from any
// moment on, at a chosen speed with the pitch kept. The tracks of a recording all begin at the
// recording's start (the recorder pads each one from there), so they are mixed sample for
// sample from their first frame: the timeline the transcript's times are on.
//
// 16 kHz mono float out. Not thread-safe: one thread (the player's) uses it at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "kelv/core/audio/audio_format.h"

namespace kelv::core {

class PlaybackAudio {
 public:
  static constexpr int kRate = AudioFormat::kSampleRate;
  static constexpr double kSlowest = 0.5;
  static constexpr double kFastest = 2.0;

  // Opens every track (at least one). Throws PlatformError for a file that can't be opened,
  // AudioError (unreadableAudio) for one that holds no audio or is cut short, and
  // std::invalid_argument when no track is given.
  explicit PlaybackAudio(const std::vector<std::filesystem::path>& tracks);
  ~PlaybackAudio();
  PlaybackAudio(const PlaybackAudio&) = delete;
  PlaybackAudio& operator=(const PlaybackAudio&) = delete;

  // The length of the longest track, in seconds.
  double duration() const;

  // The next read starts at `seconds` on the meeting's timeline (clamped to 0…duration).
  void seek(double seconds);
  // The speed, clamped to kSlowest…kFastest; takes effect with the next read.
  void setTempo(double tempo);
  double tempo() const { return tempo_; }

  // The next samples at the current speed; fewer than asked only at the end of the meeting.
  // Throws AudioError on damaged data, PlatformError on read failures.
  size_t read(std::span<float> out);

 private:
  // The mixed tracks at their own speed.
  size_t readMixed(std::span<float> out);

  struct Track;
  std::vector<std::unique_ptr<Track>> tracks_;
  int64_t frames_ = 0;
  int64_t frame_ = 0;  // the next mixed frame
  double tempo_ = 1.0;
  struct Tempo;
  std::unique_ptr<Tempo> stretch_;
  std::vector<float> scratch_;
};

}  // namespace kelv::core
