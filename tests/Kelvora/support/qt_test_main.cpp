// The entry of the application's test programs: GoogleTest inside a QApplication (offscreen), with a
// private session bus and a private system bus for the whole run (Qt keeps its bus connections
// for the life of the process, so the buses must outlive every test).
#include <QApplication>

#include <gmock/gmock.h>

#include <cstdlib>
#include <optional>

#include "private_bus.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  std::optional<kelv::test::PrivateBus> session;
  std::optional<kelv::test::PrivateBus> system;
  if (!GTEST_FLAG_GET(list_tests)) {
    session.emplace();
    system.emplace();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", session->address().c_str(), 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", system->address().c_str(), 1);
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Installed-application behaviour (notifications on the bus) is opted into per test.
  ::unsetenv("KELV_BUNDLE_ID");
  // Views need a GUI application; on the offscreen platform it needs no display.
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
