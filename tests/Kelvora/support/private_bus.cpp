#include "private_bus.h"

#include <signal.h>

#include <sstream>
#include <stdexcept>
#include <thread>

#include "child_process.h"

namespace kelv::test {

PrivateBus::PrivateBus() {
  int status = 0;
  const std::string output = runCommand(
      "dbus-daemon --session --fork --nosyslog --print-address=1 --print-pid=1", &status);
  std::istringstream lines(output);
  std::string pid;
  std::getline(lines, address_);
  std::getline(lines, pid);
  if (status != 0 || address_.empty() || pid.empty())
    throw std::runtime_error("dbus-daemon could not be started: " + output);
  pid_ = static_cast<pid_t>(std::stol(pid));
}

PrivateBus::~PrivateBus() {
  // The daemon forked away from us, so it can't be waited for; SIGTERM is enough for it.
  if (pid_ > 0) ::kill(pid_, SIGTERM);
}

}  // namespace kelv::test
