// A serial work queue: one thread of its own, named after the queue's label, that runs
// submitted work and timer firings one at a time, in order of submission and due time.
//
// Work may be submitted from any thread. `sync` from the queue's own thread runs the work
// inline instead of deadlocking. Destroying the queue runs the work already submitted, then
// ends its thread; destroying it from its own thread (the last owner dropped inside a task)
// lets the thread finish the current task and end by itself.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kelv::core {

class SerialQueue {
 public:
  // A repeating timer on a queue. Cancelling is idempotent and, once it returns, no further
  // firing starts (a firing already running on the queue finishes).
  class Timer {
   public:
    virtual ~Timer() = default;
    virtual void cancel() = 0;
  };

  explicit SerialQueue(std::string label);
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& label() const;

  void async(std::function<void()> work);
  // Runs `work` on the queue and waits for it; exceptions reach the caller.
  void sync(const std::function<void()>& work);
  // True on the queue's own thread.
  bool isCurrent() const;

  // First firing after `delay`, then every `interval` (zero leeway: a late firing does not
  // shift the schedule, and missed firings are not replayed).
  std::shared_ptr<Timer> scheduleTimer(std::chrono::duration<double> delay,
                                       std::chrono::duration<double> interval,
                                       std::function<void()> handler);

  struct State;  // shared with the thread and the timers; defined in the source file

 private:
  std::shared_ptr<State> state_;
};

}  // namespace kelv::core
