// Hands meeting folders to a runner one at a time, in the order they were handed in, each at
// most once at a time, and picks up meetings left in `processing` by an earlier run.
//
// The queue processes nothing itself: the runner does (the application's runner starts the
// processing tool; the options constructor runs the pipeline in this process). One background
// worker thread, at the lowest priority, drains the pending list; it holds the queue weakly,
// so a queue dropped before its worker starts is never drained. All operations may be called
// from any thread; they are serialised by the queue, and none blocks on the runner except
// waitUntilIdle. Across processes the folder lock decides: a folder someone else has locked
// is passed over.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/library/meeting_store.h"

namespace kelv::core {

struct ProcessingOptions;

class ProcessingQueue {
 public:
  // Processes one folder. An exception it lets out is swallowed: the outcome of processing is
  // recorded in the folder, not reported to the queue.
  using Runner = std::function<void(const MeetingFolder&)>;
  // Builds the options of one run; called afresh for every folder.
  using OptionsMaker = std::function<ProcessingOptions()>;

  ProcessingQueue(MeetingStore store, Runner runner);
  // A runner that calls Processing::run with fresh options and ignores its result and failure.
  ProcessingQueue(MeetingStore store, OptionsMaker options);
  // Pending meetings are abandoned (they stay `processing` for the next resumePending); a
  // runner already running finishes on the worker thread.
  ~ProcessingQueue();
  ProcessingQueue(const ProcessingQueue&) = delete;
  ProcessingQueue& operator=(const ProcessingQueue&) = delete;

  // Sets the folder's state to `processing` (read–change–write) and queues it. Throws the
  // status read or write error; nothing is queued then.
  void enqueue(const MeetingFolder& folder);
  // Queues every meeting of the store whose status reads as `processing`, in store order.
  void resumePending();
  // Returns once no drain is under way.
  void waitUntilIdle();

  // The identifiers waiting, oldest first, and the one with the runner now.
  std::vector<std::string> pending() const;
  std::optional<std::string> current() const;

  struct State;  // shared with the worker; defined in the source file

 private:
  void add(const std::string& id);

  std::shared_ptr<State> state_;
};

}  // namespace kelv::core
