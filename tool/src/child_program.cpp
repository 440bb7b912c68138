#include "child_program.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "kelv/core/util/platform_error.h"

extern char** environ;

namespace kelv::tool {

std::filesystem::path besideKelv(const std::string& name, const char* override) {
  if (const char* named = std::getenv(override); named && *named) return named;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return (error ? std::filesystem::path() : self.parent_path()) / name;
}

int runToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  const int failed = posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (failed != 0) throw core::PlatformError::fromErrno(failed, "start", program);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw core::PlatformError::fromErrno(errno, "wait for", program);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kelv::tool
