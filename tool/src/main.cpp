// kelv: records meetings and processes them from the command line.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"

namespace kelv::tool {
namespace {

std::vector<Command>& commands() {
  static std::vector<Command> all;
  return all;
}

const Command* find(const std::string& name) {
  for (const auto& command : commands())
    if (command.name == name) return &command;
  return nullptr;
}

void printOverview(std::ostream& out) {
  out << "usage: kelv COMMAND [ARGUMENTS]\n\nCommands:\n";
  auto sorted = commands();
  std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.name < b.name; });
  for (const auto& command : sorted) {
    std::string name = command.name;
    name.resize(std::max<size_t>(name.size() + 2, 12), ' ');
    out << "  " << name << command.summary << "\n";
  }
  out << "\nRun \"kelv COMMAND --help\" for the arguments of a command.\n";
}

}  // namespace

CommandRegistration::CommandRegistration(Command command) {
  commands().push_back(std::move(command));
}

const std::vector<Command>& registeredCommands() { return commands(); }

int usageError(const std::string& command, const std::string& message) {
  std::cerr << "kelv " << command << ": " << message << "\n";
  if (const Command* found = find(command)) {
    const auto& help = found->help;
    std::cerr << help.substr(0, help.find('\n')) << "\n";
  }
  std::cerr << "Run \"kelv " << command << " --help\" for details.\n";
  return core::ExitStatus::usage;
}

}  // namespace kelv::tool

int main(int argc, char** argv) {
  using namespace kelv::tool;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    printOverview(std::cerr);
    return kelv::core::ExitStatus::usage;
  }
  if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    printOverview(std::cout);
    return kelv::core::ExitStatus::success;
  }
  const Command* command = nullptr;
  for (const auto& candidate : registeredCommands())
    if (candidate.name == arguments[0]) command = &candidate;
  if (!command) {
    std::cerr << "kelv: unknown command \"" << arguments[0] << "\"\n\n";
    printOverview(std::cerr);
    return kelv::core::ExitStatus::usage;
  }
  arguments.erase(arguments.begin());
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
    std::cout << command->help;
    if (!command->help.empty() && command->help.back() != '\n') std::cout << "\n";
    return kelv::core::ExitStatus::success;
  }
  return command->run(arguments, kelv::core::Environment::ofProcess());
}
