// Hands captured buffers to the recorder from a serial queue of its own, so the sound server's
// loop never waits for the recorder (and never holds its lock while the recorder runs).
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "kelv/core/recording/capture_source.h"
#include "kelv/core/util/serial_queue.h"

namespace kelv::capture {

class AudioOutlet {
 public:
  explicit AudioOutlet(std::string label) : queue_(std::move(label)) {}

  void open(core::CaptureSource::Deliver deliver) {
    std::lock_guard lock(state_->mutex);
    state_->deliver = std::move(deliver);
  }

  // From any thread; dropped when the outlet is closed by the time it runs.
  void post(core::CapturedAudio audio) {
    queue_.async([state = state_, audio = std::move(audio)]() mutable {
      core::CaptureSource::Deliver deliver;
      {
        std::lock_guard lock(state->mutex);
        deliver = state->deliver;
      }
      if (deliver) deliver(std::move(audio));
    });
  }

  // Delivers what was posted before, then forgets the sink: once this returns the sink is
  // never called again. Callers stop the producers first, so the tail is not lost.
  void close() {
    queue_.sync([] {});
    std::lock_guard lock(state_->mutex);
    state_->deliver = nullptr;
  }

 private:
  struct State {
    std::mutex mutex;
    core::CaptureSource::Deliver deliver;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
  core::SerialQueue queue_;
};

}  // namespace kelv::capture
