#include "kelv/core/net/wait_progress.h"

#include <utility>

namespace kelv::core::WaitProgress {

namespace {
thread_local Observer current;
}  // namespace

Scope::Scope(Observer observer) : previous_(std::exchange(current, std::move(observer))) {}

Scope::~Scope() { current = std::move(previous_); }

void report(int seconds) noexcept {
  if (!current) return;
  try {
    current(seconds);
  } catch (...) {
  }
}

}  // namespace kelv::core::WaitProgress
