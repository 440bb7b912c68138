// The global registration's choice of route (X11 grab, desktop portal, none) and the portal
// route itself, against a fake portal on the private session bus and a private Xvfb.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "desktop/hotkey_monitor.h"
#include "desktop/portal_shortcuts.h"
#include "fake_shortcuts_portal.h"
#include "scoped_variable.h"
#include "xvfb_display.h"

namespace kelv::app {
namespace {

using test::ScopedVariable;

const Hotkey kCtrlShiftK{*Hotkey::keyCodeOf('K'), Hotkey::kControl | Hotkey::kShift};

class HotkeyPortalTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new test::XvfbDisplay; }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }

  // Where the portal has answered the monitor's question (or there is nothing to ask).
  static void settle(HotkeyMonitor& monitor) {
    QSignalSpy spy(&monitor, &HotkeyMonitor::changed);
    if (!monitor.isAvailable() && std::getenv("WAYLAND_DISPLAY")) spy.wait(5000);
    QTest::qWait(50);
  }

  static test::XvfbDisplay* display_;
};

test::XvfbDisplay* HotkeyPortalTest::display_ = nullptr;

TEST_F(HotkeyPortalTest, TheRouteFollowsTheDesktop) {
  constexpr int kNoPortal = -1;
  const struct {
    const char* name;
    bool wayland;
    bool x11;
    int portalVersion;  // 0: a portal without global shortcuts
    bool available;
    bool bindsOnPortal;
    bool desktopConfigures;
  } cases[] = {
      {"Wayland with a portal of version 2", true, false, 2, true, true, true},
      {"Wayland with a portal of version 1", true, false, 1, true, true, false},
      {"Wayland with a portal but no global shortcuts", true, false, 0, false, false, false},
      {"Wayland without a portal", true, false, kNoPortal, false, false, false},
      // Grabs on the compatibility X server only see keys typed into X11 windows.
      {"Wayland with X11 compatibility, no portal", true, true, kNoPortal, false, false, false},
      {"X11 with a portal running", false, true, 2, true, false, false},
      {"X11 alone", false, true, kNoPortal, true, false, false},
      {"no display at all", false, false, 2, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedVariable wayland("WAYLAND_DISPLAY",
                           c.wayland ? std::optional<std::string>("wayland-test") : std::nullopt);
    ScopedVariable x11("DISPLAY", c.x11 ? std::optional(display_->name()) : std::nullopt);
    std::optional<test::FakeShortcutsPortal> portal;
    if (c.portalVersion != kNoPortal) portal.emplace(c.portalVersion);

    HotkeyMonitor monitor;
    monitor.registerHotkey(Hotkey::defaultHotkey());
    settle(monitor);
    EXPECT_EQ(monitor.isAvailable(), c.available);
    EXPECT_EQ(monitor.desktopConfigures(), c.desktopConfigures);
    if (portal) {
      if (c.bindsOnPortal) {
        ASSERT_TRUE(portal->waitForBinds(1));
      }
      portal->sync();
      EXPECT_EQ(portal->binds().size(), c.bindsOnPortal ? 1u : 0u);
      EXPECT_EQ(portal->sessions().size(), c.bindsOnPortal ? 1u : 0u);
    }
    // The desktop's wording is shown only where the desktop binds the hotkey.
    EXPECT_EQ(monitor.trigger().has_value(), c.bindsOnPortal);
    monitor.registerHotkey(std::nullopt);
  }
}

TEST_F(HotkeyPortalTest, ThePreferredTriggerIsTheSavedHotkey) {
  const struct {
    Hotkey hotkey;
    const char* trigger;
  } cases[] = {
      {Hotkey::defaultHotkey(), "CTRL+ALT+LOGO+r"},
      {kCtrlShiftK, "CTRL+SHIFT+k"},
      {{*Hotkey::keyCodeOf('A'), Hotkey::kOption | Hotkey::kShift | Hotkey::kCommand},
       "ALT+SHIFT+LOGO+a"},
      {{*Hotkey::keyCodeOf('Z'), Hotkey::kCommand}, "LOGO+z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trigger);
    EXPECT_EQ(PortalShortcuts::triggerOf(c.hotkey), c.trigger);
  }
}

TEST_F(HotkeyPortalTest, APortalSessionCarriesTheHotkey) {
  ScopedVariable wayland("WAYLAND_DISPLAY", "wayland-test");
  ScopedVariable x11("DISPLAY", std::nullopt);
  test::FakeShortcutsPortal portal(2);
  portal.setTriggerDescription("Super+Alt+Ctrl+R (desktop)");
  HotkeyMonitor monitor;
  QSignalSpy pressed(&monitor, &HotkeyMonitor::pressed);

  monitor.registerHotkey(Hotkey::defaultHotkey());
  ASSERT_TRUE(portal.waitForBinds(1));
  ASSERT_EQ(portal.sessions().size(), 1u);
  const QString first = portal.sessions()[0];
  const auto bind = portal.binds()[0];
  EXPECT_EQ(bind.session, first);
  EXPECT_EQ(bind.id, "toggle-recording");
  EXPECT_EQ(bind.description, "Grabar o detener");
  EXPECT_EQ(bind.preferredTrigger, "CTRL+ALT+LOGO+r");
  ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.trigger().has_value(); }, 5000));
  EXPECT_EQ(monitor.trigger(), "Super+Alt+Ctrl+R (desktop)");

  // Only our session's shortcut counts.
  portal.activate(first);
  EXPECT_EQ(pressed.count(), 1);
  portal.activate("/org/freedesktop/portal/desktop/session/1_1/someone_else");
  portal.activate(first, "another-shortcut");
  EXPECT_EQ(pressed.count(), 1);

  // Registering the same hotkey again keeps the session.
  monitor.registerHotkey(Hotkey::defaultHotkey());
  portal.sync();
  EXPECT_EQ(portal.sessions().size(), 1u);

  // The user reassigns it in the desktop's settings.
  portal.changeShortcuts(first, "F9");
  EXPECT_EQ(monitor.trigger(), "F9");
  monitor.configure();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !portal.configured().empty(); }, 5000));
  EXPECT_EQ(portal.configured()[0], first);

  // Another hotkey: a new session replaces the old one, whose presses no longer count.
  monitor.registerHotkey(kCtrlShiftK);
  ASSERT_TRUE(portal.waitForBinds(2));
  ASSERT_TRUE(portal.waitForClosed(1));
  EXPECT_EQ(portal.closed()[0], first);
  const QString second = portal.sessions().at(1);
  EXPECT_NE(second, first);
  EXPECT_EQ(portal.binds()[1].preferredTrigger, "CTRL+SHIFT+k");
  ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.trigger().has_value(); }, 5000));
  portal.activate(first);
  EXPECT_EQ(pressed.count(), 1);
  portal.activate(second);
  EXPECT_EQ(pressed.count(), 2);

  // Off: the session goes, and with it the desktop's wording.
  monitor.registerHotkey(std::nullopt);
  ASSERT_TRUE(portal.waitForClosed(2));
  EXPECT_EQ(portal.closed()[1], second);
  EXPECT_EQ(monitor.trigger(), std::nullopt);
  portal.activate(second);
  EXPECT_EQ(pressed.count(), 2);
}

TEST_F(HotkeyPortalTest, AHotkeyReplacedBeforeItsSessionArrivesLeavesNoSessionBehind) {
  ScopedVariable wayland("WAYLAND_DISPLAY", "wayland-test");
  ScopedVariable x11("DISPLAY", std::nullopt);
  test::FakeShortcutsPortal portal(2);
  HotkeyMonitor monitor;
  monitor.registerHotkey(Hotkey::defaultHotkey());
  ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.isAvailable(); }, 5000));
  // Both before the event loop runs again: the first session is still being made.
  monitor.registerHotkey(kCtrlShiftK);
  monitor.registerHotkey(std::nullopt);
  monitor.registerHotkey(kCtrlShiftK);
  ASSERT_TRUE(portal.waitForBinds(1));
  QTest::qWait(100);
  portal.sync();
  ASSERT_EQ(portal.binds().size(), 1u);
  EXPECT_EQ(portal.binds()[0].preferredTrigger, "CTRL+SHIFT+k");
  // Every session made but the bound one is closed.
  ASSERT_EQ(portal.closed().size() + 1, portal.sessions().size());
  for (const QString& closed : portal.closed()) EXPECT_NE(closed, portal.binds()[0].session);
}

}  // namespace
}  // namespace kelv::app
