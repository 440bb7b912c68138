// One record stream on a sound-server source, converted by the server to 16 kHz mono float.
//
// Created and destroyed with the client's lock held. `onAudio` runs on the loop thread (lock
// held) with each fragment and the capture time of its first sample; `onEnded` runs there when
// the server ends the stream (its source went away, the server died).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "kelv/core/audio/audio_format.h"
#include "pulse_client.h"

namespace kelv::capture {

class RecordStream {
 public:
  using OnAudio = std::function<void(std::span<const float> samples, double captureTime)>;
  using OnEnded = std::function<void()>;

  // The setup step that failed, so callers can map it to their own error.
  enum class Step { create, connect, ready };
  struct Failure {
    Step step;
    int code;
  };

  static constexpr uint32_t kRate = core::AudioFormat::kSampleRate;

  // REQUIRES: lock held. Connects to `source` (a name or index text) and waits until the
  // stream records. Throws Failure.
  RecordStream(PulseClient& client, const std::string& streamName, const std::string& source,
               OnAudio onAudio, OnEnded onEnded);
  // REQUIRES: lock held. Hands over what is still buffered, then disconnects.
  ~RecordStream();
  RecordStream(const RecordStream&) = delete;
  RecordStream& operator=(const RecordStream&) = delete;

  // REQUIRES: lock held. The index of the source actually recorded (it may be moved).
  uint32_t sourceIndex() const;

  // Capture time of the oldest of `queuedFrames` frames waiting to be read: now minus their
  // duration.
  static double captureTime(double now, size_t queuedFrames);

 private:
  static void onRead(pa_stream* stream, size_t, void* userdata);
  static void onState(pa_stream* stream, void* userdata);
  void drain();
  void release();

  PulseClient& client_;
  pa_stream* stream_ = nullptr;
  OnAudio onAudio_;
  OnEnded onEnded_;
  bool ready_ = false;
};

}  // namespace kelv::capture
