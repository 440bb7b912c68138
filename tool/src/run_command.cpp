// kelv run: processes every meeting waiting in `processing`, one after another, through the
// processing queue with the in-process runner, and reports each outcome.
#include <iostream>
#include <stdexcept>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/processing/processing.h"
#include "kelv/core/processing/processing_queue.h"
#include "kelv/core/util/background_priority.h"
#include "processing_session.h"
#include "progress_printer.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

int runPending(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (!arguments.empty()) return usageError("run", "expected no arguments");
  enterBackgroundPriority();
  endOnTermination();

  std::optional<BackendAssembly> assembly;
  try {
    assembly = processingAssembly(environment);
  } catch (const std::invalid_argument& error) {
    return usageError("run", error.what());
  }

  const MeetingStore store = meetingStore(environment);
  std::vector<MeetingFolder> waiting;
  for (const MeetingFolder& folder : store.list()) {
    try {
      if (folder.readStatus().state == MeetingStatus::State::processing) waiting.push_back(folder);
    } catch (const std::exception&) {
    }
  }
  if (waiting.empty()) {
    std::cerr << "kelv run: no meeting is waiting to be processed\n";
    return core::ExitStatus::success;
  }

  ProgressPrinter printer;
  ProcessingQueue* running = nullptr;
  ProcessingQueue queue(store, ProcessingQueue::OptionsMaker([&] {
                          // Called on the queue's worker as each meeting starts, while it is the
                          // queue's current one.
                          printer.finish();
                          printer.setPrefix(running->current().value_or("") + ": ");
                          ProcessingOptions options = assembly->processingOptions();
                          options.progress = printer.observer();
                          return options;
                        }));
  running = &queue;
  queue.resumePending();
  queue.waitUntilIdle();
  printer.finish();

  int exitStatus = core::ExitStatus::success;
  for (const MeetingFolder& folder : waiting) {
    try {
      const MeetingStatus status = folder.readStatus();
      std::cout << resultLine(folder, status);
      if (status.state == MeetingStatus::State::processing)
        std::cout << " (busy: being recorded or processed elsewhere)";
      std::cout << "\n";
      if (status.state != MeetingStatus::State::done) exitStatus = core::ExitStatus::failure;
    } catch (const std::exception& error) {
      std::cout << folder.id() << " unreadable " << error.what() << "\n";
      exitStatus = core::ExitStatus::failure;
    }
  }
  std::cout.flush();
  return exitStatus;
}

const CommandRegistration registration{Command{
    "run", "process every meeting waiting to be processed",
    "usage: kelv run\n"
    "\n"
    "Processes every meeting of the meeting store whose state is processing, one after\n"
    "another and oldest first, like \"kelv process\" does for one, then prints one line per\n"
    "meeting: its id and \"done\" with the Meeting file, \"needs-attention\" with the reason,\n"
    "or \"processing\" when someone else held it. Keys come as for \"kelv process\".\n"
    "\n"
    "Exit status: 0 when every meeting is done, 1 otherwise, 2 usage error.\n",
    runPending}};

}  // namespace
}  // namespace kelv::tool
