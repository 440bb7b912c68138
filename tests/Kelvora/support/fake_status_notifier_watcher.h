// A small org.kde.StatusNotifierWatcher for the tray tests, on the tests' private session bus:
// it says a tray host is registered (so Qt shows its item over D-Bus instead of XEmbed),
// answers introspection with the interface's properties (Qt builds its proxy from it), and
// records each item that registers. Lives on the main thread with a bus connection of its own.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace kelv::test {

class FakeStatusNotifierWatcher {
 public:
  // Connects to DBUS_SESSION_BUS_ADDRESS and takes the watcher's name. Throws
  // std::runtime_error when it can't.
  FakeStatusNotifierWatcher();
  ~FakeStatusNotifierWatcher();
  FakeStatusNotifierWatcher(const FakeStatusNotifierWatcher&) = delete;
  FakeStatusNotifierWatcher& operator=(const FakeStatusNotifierWatcher&) = delete;

  // Each registration as "<bus name of the caller> <service argument>", in order.
  QStringList items() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace kelv::test
