// How the HTTP client tells whoever runs a request on this thread that the request is still
// waiting for the service's reply, without knowing about progress displays.
//
// The observer belongs to the calling thread: requests run synchronously on the thread that
// made them, so a report reaches the scope that thread installed and nothing else.
#pragma once

#include <functional>

namespace kelv::core::WaitProgress {

// How long the current request has waited for its reply, in whole seconds.
using Observer = std::function<void(int seconds)>;

// Installs an observer for the calling thread while it lives; the one it replaces comes back
// when it ends.
class Scope {
 public:
  explicit Scope(Observer observer);
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  Observer previous_;
};

// Called by the HTTP client now and then while a request waits. Never throws: an observer's
// exception is dropped.
void report(int seconds) noexcept;

}  // namespace kelv::core::WaitProgress
