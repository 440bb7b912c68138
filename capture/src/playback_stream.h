// One playback stream to the default output: 16 kHz mono float, filled on demand.
//
// Created and destroyed with the client's lock held. `fill` runs on the loop thread (lock held)
// whenever the server wants more audio; it returns how many samples it wrote, fewer than
// asked at the end of the audio, after which the stream plays out what it has and calls
// `onDrained`. `onFailed` runs there when the server ends the stream.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "kelv/core/audio/audio_format.h"
#include "pulse_client.h"

namespace kelv::capture {

class PlaybackStream {
 public:
  using Fill = std::function<size_t(std::span<float> out)>;
  using Notice = std::function<void()>;

  static constexpr uint32_t kRate = core::AudioFormat::kSampleRate;

  // REQUIRES: lock held. Connects and waits until the stream is ready; it starts playing as
  // soon as its buffer is full. Throws PulseFailure.
  PlaybackStream(PulseClient& client, const std::string& name, Fill fill, Notice onDrained,
                 Notice onFailed);
  // REQUIRES: lock held. Stops at once, dropping what is buffered.
  ~PlaybackStream();
  PlaybackStream(const PlaybackStream&) = delete;
  PlaybackStream& operator=(const PlaybackStream&) = delete;

  // REQUIRES: lock held. Pauses (true) or resumes; waits for the server.
  void cork(bool corked);
  // REQUIRES: lock held. Seconds of this stream's audio played so far, corrected for the
  // output's latency; none before the server has reported any timing.
  std::optional<double> played() const;
  // REQUIRES: lock held. The fill has reached the end of the audio.
  bool finished() const { return finished_; }

 private:
  static void onWrite(pa_stream* stream, size_t bytes, void* userdata);
  static void onState(pa_stream* stream, void* userdata);
  static void onDrain(pa_stream* stream, int success, void* userdata);
  void write(size_t bytes);

  PulseClient& client_;
  pa_stream* stream_ = nullptr;
  Fill fill_;
  Notice onDrained_;
  Notice onFailed_;
  pa_operation* drain_ = nullptr;
  bool ready_ = false;
  bool finished_ = false;
};

}  // namespace kelv::capture
