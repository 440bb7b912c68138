#include "kelv/core/backends/chunk_progress.h"

#include <utility>

namespace kelv::core::ChunkProgress {

namespace {
thread_local Observer current;
}  // namespace

Scope::Scope(Observer observer) : previous_(std::exchange(current, std::move(observer))) {}

Scope::~Scope() { current = std::move(previous_); }

void report(int chunk, int count) noexcept {
  if (!current) return;
  try {
    current(chunk, count);
  } catch (...) {
  }
}

}  // namespace kelv::core::ChunkProgress
