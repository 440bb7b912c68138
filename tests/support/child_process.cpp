#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace kelv::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment,
                           const std::string& logFile) {
  if (argv.empty()) throw std::invalid_argument("empty command");
  std::vector<char*> arguments;
  for (const auto& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    const int out = ::open(logFile.empty() ? "/dev/null" : logFile.c_str(),
                           O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    ::execvp(arguments[0], arguments.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) stop();
}

bool ChildProcess::running() {
  if (pid_ <= 0) return false;
  const pid_t result = ::waitpid(pid_, &status_, WNOHANG);
  if (result == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

int ChildProcess::stop(std::chrono::milliseconds patience) {
  if (pid_ <= 0) return status_;
  ::kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

int ChildProcess::wait() {
  if (pid_ > 0) {
    ::waitpid(pid_, &status_, 0);
    pid_ = -1;
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string runCommand(const std::string& command, int* exitCode) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed: " + command);
  std::string output;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
  const int status = ::pclose(pipe);
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

}  // namespace kelv::test
