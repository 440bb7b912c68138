// Runs the built `kelv` as a child process with extra environment, optional standard input,
// and collects its output and exit status.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelv::test {

struct ToolResult {
  int exitStatus = -1;  // -1 when it ended by a signal
  std::string out;
  std::string err;
};

struct ToolRun {
  ToolRun(std::vector<std::string> arguments, std::map<std::string, std::string> environment = {})
      : arguments(std::move(arguments)), environment(std::move(environment)) {}

  std::vector<std::string> arguments;
  std::map<std::string, std::string> environment;  // added to (or replacing) the test's own
  std::optional<std::string> input;                // nothing: standard input is /dev/null
  // Sends SIGTERM this many seconds after the start (for commands that run until a signal).
  std::optional<double> terminateAfter;
};

// The path of the built kelv (KELV_TOOL).
std::string toolPath();
ToolResult runTool(const ToolRun& run);

}  // namespace kelv::test
