// A private D-Bus bus daemon for the application's tests, stopped by its process id when
// destroyed. The application's tests run on two of these: one as the session bus
// (notifications, the single-instance hand-over) and one as the system bus (logind's sleep
// signal), pointed at through DBUS_SESSION_BUS_ADDRESS and DBUS_SYSTEM_BUS_ADDRESS.
#pragma once

#include <sys/types.h>

#include <string>

namespace kelv::test {

class PrivateBus {
 public:
  // Throws std::runtime_error when the daemon can't be started.
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& address() const { return address_; }

 private:
  std::string address_;
  pid_t pid_ = -1;
};

}  // namespace kelv::test
