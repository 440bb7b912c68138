// The sub-commands of `kelv`. Each command lives in its own file and registers itself with a
// static CommandRegistration, so adding a command never touches the dispatcher.
#pragma once

#include <string>
#include <vector>

#include "kelv/core/util/application.h"
#include "kelv/core/util/environment.h"

namespace kelv::tool {

struct Command {
  std::string name;
  // One line for `kelv --help`.
  std::string summary;
  // The full text of `kelv NAME --help`: synopsis, then what it does.
  std::string help;
  // Receives the arguments after the command's name and the environment `main` read once.
  // `--help` is handled before it runs.
  int (*run)(const std::vector<std::string>& arguments, const core::Environment& environment);
};

class CommandRegistration {
 public:
  explicit CommandRegistration(Command command);
};

const std::vector<Command>& registeredCommands();

// Prints "kelv NAME: message" and the command's synopsis to standard error; returns
// core::ExitStatus::usage.
int usageError(const std::string& command, const std::string& message);

}  // namespace kelv::tool
