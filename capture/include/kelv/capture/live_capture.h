// The real audio source of a recording: the microphone as the `mic` track and everything the
// computer plays (the default output's monitor) as the `system` track, both 16 kHz mono,
// stamped on the uptime clock.
//
// While started it keeps the recording alive as devices come and go: a change of the default
// input or output rebuilds that track half a second later (rapid changes collapse into one
// rebuild); a microphone silent for 4 s is avoided and replaced; system audio silent for 4 s
// while the default output runs is restarted; failures after the start go to `onProblem`, once
// per distinct message per track, and are retried by the next change or stall check. It also
// holds an idle-sleep inhibitor while started.
//
// Threading: every operation runs on the serial queue "kelvora.capture"; `start` and `stop`
// wait for it, so they may be called from any thread. `onProblem` is called on that queue;
// buffers are delivered from one thread per track.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "kelv/core/recording/capture_source.h"

namespace kelv::capture {

class LiveCapture : public core::CaptureSource {
 public:
  using ProblemHandler = std::function<void(const std::string& message)>;

  explicit LiveCapture(ProblemHandler onProblem = {});
  ~LiveCapture() override;
  LiveCapture(const LiveCapture&) = delete;
  LiveCapture& operator=(const LiveCapture&) = delete;

  // Starts both tracks, or neither: throws CaptureError and leaves nothing running. Starting a
  // started capture does nothing.
  void start(Deliver deliver) override;
  // Hands over the buffered tail, closes both streams and the connection.
  void stop() override;

  bool isStarted() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace kelv::capture
