// How a transcription backend that uploads a track in chunks tells the running pipeline how
// far it has come, without the backend interface knowing about progress displays.
//
// The observer belongs to the calling thread: backends transcribe synchronously on the thread
// that called them, so a report reaches the scope that thread installed and nothing else.
#pragma once

#include <functional>

namespace kelv::core::ChunkProgress {

// chunk counts from 1.
using Observer = std::function<void(int chunk, int count)>;

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

// Called by a backend as it starts sending chunk `chunk` of `count`. Never throws: an
// observer's exception is dropped.
void report(int chunk, int count) noexcept;

}  // namespace kelv::core::ChunkProgress
