// Records everything the computer plays (the default output's monitor) as the `system` track.
//
// Used by LiveCapture on its queue: start and stop are called from one thread at a time and
// take the connection's lock themselves. Buffers reach `deliver` on the sound server's thread.
#pragma once

#include <functional>
#include <memory>

#include "kelv/core/recording/capture_source.h"
#include "mic_capture.h"

namespace kelv::capture {

class PulseClient;

class SystemAudioCapture {
 public:
  SystemAudioCapture();
  ~SystemAudioCapture();
  SystemAudioCapture(const SystemAudioCapture&) = delete;
  SystemAudioCapture& operator=(const SystemAudioCapture&) = delete;

  // Records the monitor of the current default output. A stream whose monitor vanished while it
  // was being set up is retried twice, 200 ms apart. Throws CaptureError.
  void start(PulseClient& client, core::CaptureSource::Deliver deliver,
             std::function<void()> onEnded);
  void stop();

  CaptureActivity activity() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::capture
