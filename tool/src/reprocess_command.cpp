// kelv reprocess ID: readies a processed meeting for a complete new run (the next `kelv
// process` or `kelv run` transcribes it again and rewrites its Meeting file).
#include <filesystem>
#include <iostream>

#include "command.h"
#include "kelv/core/processing/processing.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

int reprocess(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() != 1) return usageError("reprocess", "expected one meeting id");
  const auto folder = namedFolder(arguments[0], environment);
  if (!folder) return usageError("reprocess", "\"" + arguments[0] + "\" is not a meeting id");
  try {
    // Held while the checkpoints go, so a run in progress never loses them under its feet.
    const MeetingLock lock = folder->lock();
    folder->readStatus();
    Processing::prepareReprocess(*folder);
  } catch (const std::exception& error) {
    std::cerr << "kelv reprocess: " << error.what() << "\n";
    return exitStatusFor(error);
  }
  return core::ExitStatus::success;
}

const CommandRegistration registration{Command{
    "reprocess", "ready a processed meeting to be processed again from the start",
    "usage: kelv reprocess MEETING-ID\n"
    "\n"
    "Deletes the meeting's transcripts and notes and sets it back to processing, so that the\n"
    "next \"kelv process\" or \"kelv run\" does everything again. Its Meeting file is replaced\n"
    "then, or, if you edited it, a new one is written beside it.\n"
    "\n"
    "Exit status: 0 done, 1 the status couldn't be saved (a full disk, say), 2 usage error,\n"
    "3 the meeting is busy or its status can't be read.\n",
    reprocess}};

}  // namespace
}  // namespace kelv::tool
