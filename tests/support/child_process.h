// A child process a test starts and owns: stopped by its own process id (never by name) and
// waited for, so nothing outlives the test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace kelv::test {

class ChildProcess {
 public:
  // Starts `argv` (argv[0] looked up on PATH) with the current environment plus `environment`;
  // its standard output and error go to `logFile` (or /dev/null when empty). Throws when it
  // can't be started.
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& environment = {},
                        const std::string& logFile = "");
  // Stops it (SIGTERM, then SIGKILL after 3 s) if still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // Sends SIGTERM and waits for the end (SIGKILL after `patience`); returns the wait status.
  int stop(std::chrono::milliseconds patience = std::chrono::seconds(3));
  // Waits for the end; returns the exit status (-1 when killed by a signal).
  int wait();

 private:
  pid_t pid_ = -1;
  int status_ = 0;
};

// Runs a shell command, returns its standard output; `exitCode` receives its exit status.
std::string runCommand(const std::string& command, int* exitCode = nullptr);

}  // namespace kelv::test
