// Records one microphone (a sound-server source) as the `mic` track.
//
// Used by LiveCapture on its queue: start and stop are called from one thread at a time and
// take the connection's lock themselves. Buffers reach `deliver` on the sound server's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "audio_devices.h"
#include "kelv/core/recording/capture_source.h"

namespace kelv::capture {

class PulseClient;

// When a capture last delivered audio or was (re)started, in seconds of uptime, and whether it
// has delivered at all since it was made.
struct CaptureActivity {
  double last;
  bool delivered;
};

class MicCapture {
 public:
  MicCapture();
  ~MicCapture();
  MicCapture(const MicCapture&) = delete;
  MicCapture& operator=(const MicCapture&) = delete;

  // Stops any previous stream, then records `device`. `onEnded` runs on the sound server's
  // thread when the server ends the stream (the device went away). Throws CaptureError
  // (micFailed).
  void start(PulseClient& client, const InputDevice& device, core::CaptureSource::Deliver deliver,
             std::function<void()> onEnded);
  // Hands over the buffered tail, then closes the stream. Does nothing when stopped.
  void stop();

  // The device being recorded; none while stopped or after a failed start.
  std::optional<uint32_t> device() const;
  CaptureActivity activity() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::capture
