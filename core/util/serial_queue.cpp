#include "kelv/core/util/serial_queue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

namespace kelv::core {

using Clock = std::chrono::steady_clock;

struct SerialQueue::State : std::enable_shared_from_this<SerialQueue::State> {
  struct TimerEntry {
    std::function<void()> handler;
    Clock::duration interval;
    bool cancelled = false;
  };

  std::string label;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> work;
  // Due time → timer id; several timers may share a due time.
  std::multimap<Clock::time_point, uint64_t> due;
  std::map<uint64_t, TimerEntry> timers;
  uint64_t nextTimer = 1;
  bool stopping = false;
  std::thread::id threadId;
  std::thread thread;

  void run() {
    pthread_setname_np(pthread_self(), label.substr(0, 15).c_str());
    std::unique_lock lock(mutex);
    for (;;) {
      if (!work.empty()) {
        auto task = std::move(work.front());
        work.pop_front();
        lock.unlock();
        task();
        task = nullptr;  // destroy captured state outside the lock
        lock.lock();
        continue;
      }
      if (stopping) return;
      if (!due.empty() && due.begin()->first <= Clock::now()) {
        auto [when, id] = *due.begin();
        due.erase(due.begin());
        auto it = timers.find(id);
        if (it == timers.end() || it->second.cancelled) continue;
        auto next = when + it->second.interval;
        const auto now = Clock::now();
        while (next <= now) next += it->second.interval;  // skip missed firings
        due.emplace(next, id);
        auto handler = it->second.handler;
        lock.unlock();
        handler();
        lock.lock();
        continue;
      }
      if (due.empty()) {
        wake.wait(lock);
      } else {
        const auto next = due.begin()->first;  // a copy: the map may change while we wait
        wake.wait_until(lock, next);
      }
    }
  }
};

namespace {

class QueueTimer : public SerialQueue::Timer {
 public:
  QueueTimer(std::weak_ptr<SerialQueue::State> state, uint64_t id)
      : state_(std::move(state)), id_(id) {}
  ~QueueTimer() override { cancel(); }
  void cancel() override {
    auto state = state_.lock();
    if (!state) return;
    std::lock_guard lock(state->mutex);
    state->timers.erase(id_);
  }

 private:
  std::weak_ptr<SerialQueue::State> state_;
  uint64_t id_;
};

}  // namespace

SerialQueue::SerialQueue(std::string label) : state_(std::make_shared<State>()) {
  state_->label = std::move(label);
  state_->thread = std::thread([state = state_] { state->run(); });
  state_->threadId = state_->thread.get_id();
}

SerialQueue::~SerialQueue() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->timers.clear();
    state_->due.clear();
  }
  state_->wake.notify_all();
  if (std::this_thread::get_id() == state_->threadId)
    state_->thread.detach();
  else
    state_->thread.join();
}

const std::string& SerialQueue::label() const { return state_->label; }

void SerialQueue::async(std::function<void()> work) {
  {
    std::lock_guard lock(state_->mutex);
    state_->work.push_back(std::move(work));
  }
  state_->wake.notify_all();
}

void SerialQueue::sync(const std::function<void()>& work) {
  if (isCurrent()) {
    work();
    return;
  }
  std::mutex doneMutex;
  std::condition_variable doneSignal;
  bool done = false;
  std::exception_ptr failure;
  async([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(doneMutex);
    done = true;
    doneSignal.notify_all();
  });
  std::unique_lock lock(doneMutex);
  doneSignal.wait(lock, [&] { return done; });
  if (failure) std::rethrow_exception(failure);
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == state_->threadId; }

std::shared_ptr<SerialQueue::Timer> SerialQueue::scheduleTimer(
    std::chrono::duration<double> delay, std::chrono::duration<double> interval,
    std::function<void()> handler) {
  uint64_t id;
  {
    std::lock_guard lock(state_->mutex);
    id = state_->nextTimer++;
    const auto step = std::max<Clock::duration>(
        std::chrono::duration_cast<Clock::duration>(interval), std::chrono::microseconds(100));
    state_->timers[id] = State::TimerEntry{std::move(handler), step};
    state_->due.emplace(Clock::now() + std::chrono::duration_cast<Clock::duration>(delay), id);
  }
  state_->wake.notify_all();
  return std::make_shared<QueueTimer>(state_, id);
}

}  // namespace kelv::core
