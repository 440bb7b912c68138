// A private Secret Service for one test: its own D-Bus session bus (no service activation, so
// nothing else gets started behind the test's back) and an unlocked gnome-keyring, with their
// own HOME and XDG folders. The constructor points DBUS_SESSION_BUS_ADDRESS of this process at
// the bus; the destructor stops both daemons by the process ids it started and restores it.
#pragma once

#include <sys/types.h>
#include <optional>
#include <string>

#include "temp_dir.h"

namespace kelv::test {

class PrivateSecretService {
 public:
  // Throws std::runtime_error when a daemon can't be started.
  PrivateSecretService();
  ~PrivateSecretService();
  PrivateSecretService(const PrivateSecretService&) = delete;
  PrivateSecretService& operator=(const PrivateSecretService&) = delete;

  const std::string& busAddress() const { return address_; }
  pid_t keyringPid() const { return keyring_; }

  // Stops the keyring daemon only; the bus stays up with nobody owning the service name.
  void stopKeyring();

 private:
  TempDir folder_;
  std::string address_;
  pid_t bus_ = -1;
  pid_t keyring_ = -1;
  std::optional<std::string> previousAddress_;
};

// Stops a child process started by the test (SIGTERM, then waits for it).
void stopChild(pid_t& pid);

}  // namespace kelv::test
