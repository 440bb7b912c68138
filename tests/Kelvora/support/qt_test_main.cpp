// The entry of the application's test programs: GoogleTest inside a QApplication (offscreen), with
// a private session bus and a private system bus for the whole run (Qt keeps its bus connections
// for the life of the process, so the buses must outlive every test).
#include <QApplication>
#include <QTest>

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
  const int status = RUN_ALL_TESTS();
  // A bus call still unanswered when the process ends (the appearance asked of a desktop portal
  // the private bus doesn't have) leaves QtDBus's bookkeeping behind for the leak checker. The
  // bus answers such calls at once; a short turn of the event loop lets the answers arrive.
  QTest::qWait(100);
  return status;
}
