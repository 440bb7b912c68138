#include "stdout_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace kelv::test {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  const int file =
      ::open((dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (file < 0) throw std::runtime_error("can't create the capture file");
  saved_ = ::dup(STDOUT_FILENO);
  ::dup2(file, STDOUT_FILENO);
  ::close(file);
}

StdoutCapture::~StdoutCapture() {
  std::fflush(stdout);
  ::dup2(saved_, STDOUT_FILENO);
  ::close(saved_);
  // The test framework reports failures on standard output too; nothing may be lost.
  for (const std::string& line : lines()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::vector<std::string> StdoutCapture::lines() const {
  std::fflush(stdout);  // harmless once restored
  std::ifstream in(dir_ / "stdout");
  std::vector<std::string> result;
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

std::vector<std::string> StdoutCapture::linesStartingWith(const std::string& prefix) const {
  std::vector<std::string> result;
  for (std::string& line : lines())
    if (line.rfind(prefix, 0) == 0) result.push_back(std::move(line));
  return result;
}

}  // namespace kelv::test
