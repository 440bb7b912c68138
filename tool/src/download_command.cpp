// kelv download: readies the on-device transcription model. This build has no on-device
// engine, so there is nothing to fetch; the application then waits for the first meeting.
#include <iostream>

#include "command.h"

namespace kelv::tool {
namespace {

int download(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) return usageError("download", "expected no arguments");
  std::cerr << "kelv download: no on-device transcription engine is available in this build\n";
  return core::ExitStatus::failure;
}

const CommandRegistration registration{Command{
    "download",
    "ready the on-device transcription model",
    "usage: kelv download\n"
    "\n"
    "Fetches the on-device transcription model. This build has no on-device engine: the command\n"
    "always exits with status 1.\n",
    download}};

}  // namespace
}  // namespace kelv::tool
