// The liveness of one capture: when it last delivered (or was restarted), and whether it has
// delivered at all. Written on the sound server's thread, read on the capture queue.
#pragma once

#include <mutex>

namespace kelv::capture {

class Activity {
 public:
  struct State {
    double last;
    bool delivered;
  };

  explicit Activity(double now) : state_{now, false} {}

  void markDelivered(double now) {
    std::lock_guard lock(mutex_);
    state_ = {now, true};
  }
  // A (re)start gives the capture a fresh grace period without pretending it delivered.
  void markRestarted(double now) {
    std::lock_guard lock(mutex_);
    state_.last = now;
  }
  State state() const {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  mutable std::mutex mutex_;
  State state_;
};

}  // namespace kelv::capture
