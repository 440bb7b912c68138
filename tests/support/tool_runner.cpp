#include "tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace kelv::test {

std::string toolPath() {
  const char* path = std::getenv("KELV_TOOL");
  if (!path || !*path) throw std::runtime_error("KELV_TOOL is not set");
  return path;
}

ToolResult runTool(const ToolRun& run) {
  int out[2], err[2], in[2];
  if (pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC) || pipe2(in, O_CLOEXEC))
    throw std::runtime_error("pipe failed");

  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    if (!run.environment.count(text.substr(0, text.find('=')))) environment.push_back(text);
  }
  for (const auto& [key, value] : run.environment) environment.push_back(key + "=" + value);
  std::vector<char*> envp, argv;
  for (auto& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::string tool = toolPath();
  std::vector<std::string> arguments = run.arguments;
  argv.push_back(tool.data());
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    if (run.input)
      dup2(in[0], 0);
    else
      dup2(open("/dev/null", O_RDONLY), 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(tool.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  close(in[0]);
  if (run.input) {
    signal(SIGPIPE, SIG_IGN);
    std::string_view rest = *run.input;
    while (!rest.empty()) {
      const ssize_t n = write(in[1], rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<size_t>(n));
    }
  }
  close(in[1]);

  ToolResult result;
  const auto started = std::chrono::steady_clock::now();
  bool terminated = false;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    int timeout = -1;
    if (run.terminateAfter && !terminated) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      if (elapsed >= *run.terminateAfter) {
        kill(child, SIGTERM);
        terminated = true;
      } else {
        timeout = static_cast<int>((*run.terminateAfter - elapsed) * 1000) + 1;
      }
    }
    if (poll(fds, 2, timeout) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace kelv::test
