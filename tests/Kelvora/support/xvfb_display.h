// A private X server (Xvfb, no TCP listener) for tests that need an X11 display: it picks a
// free display number itself, and is stopped by its process id when destroyed.
#pragma once

#include <memory>
#include <string>

#include "child_process.h"

namespace kelv::test {

class XvfbDisplay {
 public:
  // Starts the server and waits until it accepts connections. Throws std::runtime_error when
  // it can't be started.
  XvfbDisplay();
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // ":N", the value for DISPLAY.
  const std::string& name() const { return name_; }

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string name_;
};

}  // namespace kelv::test
