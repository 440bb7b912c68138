#include "kelv/core/processing/processing_queue.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include <openssl/crypto.h>

#include "kelv/core/processing/processing.h"
#include "kelv/core/util/background_priority.h"

namespace kelv::core {

namespace fs = std::filesystem;

struct ProcessingQueue::State {
  State(MeetingStore store, Runner runner) : store(std::move(store)), runner(std::move(runner)) {}

  const MeetingStore store;
  const Runner runner;

  mutable std::mutex mutex;
  std::condition_variable idle;
  std::deque<std::string> pending;
  std::optional<std::string> current;
  bool worker = false;  // a drain is under way
  bool abandoned = false;

  // Runs on the worker thread until nothing is pending.
  void drain() {
    std::unique_lock lock(mutex);
    while (!pending.empty()) {
      current = std::move(pending.front());
      pending.pop_front();
      const MeetingFolder folder(store.root() / *current);
      lock.unlock();
      if (isReady(folder)) {
        try {
          runner(folder);
        } catch (...) {
          // The runner's outcome lives in the folder; the queue goes on with the next one.
        }
      }
      lock.lock();
      current.reset();
    }
    // This thread does no more work. Its thread-local OpenSSL state is freed now, not at some
    // moment after the queue reports idle (when the process may already be ending).
    OPENSSL_thread_stop();
    worker = false;
    idle.notify_all();
  }

  // A meeting folder still waiting for processing that nobody else holds.
  static bool isReady(const MeetingFolder& folder) {
    std::error_code error;
    if (!fs::exists(folder.statusPath(), error)) return false;
    try {
      if (folder.readStatus().state != MeetingStatus::State::processing) return false;
    } catch (...) {
      return false;
    }
    return !folder.isBusy();
  }
};

ProcessingQueue::ProcessingQueue(MeetingStore store, Runner runner)
    : state_(std::make_shared<State>(std::move(store), std::move(runner))) {}

ProcessingQueue::ProcessingQueue(MeetingStore store, OptionsMaker options)
    : ProcessingQueue(std::move(store),
                      Runner([options = std::move(options)](const MeetingFolder& folder) {
                        try {
                          Processing::run(folder, options());
                        } catch (...) {
                          // Busy or unreadable folders are left as they are; the rest is in the
                          // folder.
                        }
                      })) {}

ProcessingQueue::~ProcessingQueue() {
  std::lock_guard lock(state_->mutex);
  state_->abandoned = true;
  state_->pending.clear();
}

void ProcessingQueue::enqueue(const MeetingFolder& folder) {
  folder.updateStatus(
      [](MeetingStatus& status) { status.state = MeetingStatus::State::processing; });
  add(folder.id());
}

void ProcessingQueue::resumePending() {
  for (const MeetingFolder& folder : state_->store.list()) {
    try {
      if (folder.readStatus().state == MeetingStatus::State::processing) add(folder.id());
    } catch (...) {
      // An unreadable status is repaired elsewhere; it is not ours to queue.
    }
  }
}

void ProcessingQueue::waitUntilIdle() {
  std::unique_lock lock(state_->mutex);
  state_->idle.wait(lock, [&] { return !state_->worker; });
}

std::vector<std::string> ProcessingQueue::pending() const {
  std::lock_guard lock(state_->mutex);
  return {state_->pending.begin(), state_->pending.end()};
}

std::optional<std::string> ProcessingQueue::current() const {
  std::lock_guard lock(state_->mutex);
  return state_->current;
}

void ProcessingQueue::add(const std::string& id) {
  std::lock_guard lock(state_->mutex);
  State& state = *state_;
  if (state.abandoned || state.current == id) return;
  if (std::find(state.pending.begin(), state.pending.end(), id) != state.pending.end()) return;
  state.pending.push_back(id);
  if (state.worker) return;
  state.worker = true;
  std::thread([weak = std::weak_ptr<State>(state_)] {
    pthread_setname_np(pthread_self(), "kelv.processing");
    enterBackgroundPriority();
    if (const auto strong = weak.lock()) strong->drain();
  }).detach();
}

}  // namespace kelv::core
