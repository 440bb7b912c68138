// Sends this process's standard output into a file while it lives, so a test can read the
// lines the application prints (outside an installed application, notifications are lines
// "title: body" on standard output). What was captured is printed when it ends, so the test
// framework's own reports are not lost.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace kelv::test {

class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Everything printed so far, a line each.
  std::vector<std::string> lines() const;
  // Lines that begin with `prefix`.
  std::vector<std::string> linesStartingWith(const std::string& prefix) const;

 private:
  TempDir dir_;
  int saved_ = -1;
};

}  // namespace kelv::test
