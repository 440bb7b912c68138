// The hotkey row of the settings on each kind of desktop: none, X11 (a private Xvfb) and a
// Wayland session with a fake desktop portal of either version, over a preferences file in a
// temporary folder. What the row says and offers, and what "Change…" does there.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "fake_shortcuts_portal.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "scoped_variable.h"
#include "temp_dir.h"
#include "view_models/hotkey_recorder.h"
#include "xvfb_display.h"

namespace kelv::app {
namespace {

using test::ScopedVariable;

const Hotkey kCtrlShiftK{*Hotkey::keyCodeOf('K'), Hotkey::kControl | Hotkey::kShift};
const QString kUnavailable = QStringLiteral(
    "Los atajos globales no están disponibles en este escritorio: hace falta una sesión X11 o un "
    "portal del escritorio con atajos globales.");

enum class Desktop { none, x11, portalVersion1, portalVersion2 };

// One desktop for the life of the value: its environment, its portal, and a registration made
// as the application makes it at start-up.
struct DesktopSession {
  DesktopSession(Desktop desktop, const std::string& display, const std::optional<Hotkey>& saved,
                 const QString& desktopTrigger)
      : wayland("WAYLAND_DISPLAY",
                desktop == Desktop::portalVersion1 || desktop == Desktop::portalVersion2
                    ? std::optional<std::string>("wayland-test")
                    : std::nullopt),
        x11("DISPLAY", desktop == Desktop::x11 ? std::optional(display) : std::nullopt) {
    if (desktop == Desktop::portalVersion1 || desktop == Desktop::portalVersion2) {
      portal.emplace(desktop == Desktop::portalVersion1 ? 1 : 2);
      portal->setTriggerDescription(desktopTrigger);
    }
    monitor.registerHotkey(saved);
    // Until the portal has answered the row can't know what to say.
    if (portal && !QTest::qWaitFor(
                      [&] { return monitor.isAvailable() && (!saved || monitor.trigger()); }, 5000))
      throw std::runtime_error("the portal did not answer");
  }

  ScopedVariable wayland;
  ScopedVariable x11;
  std::optional<test::FakeShortcutsPortal> portal;
  HotkeyMonitor monitor;
};

class HotkeyRecorderRowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new test::XvfbDisplay; }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }

  std::unique_ptr<DesktopSession> desktop(Desktop desktop, std::optional<Hotkey> saved,
                                          const QString& desktopTrigger = "Mayús+Ctrl+K") {
    Hotkey::setSaved(store.defaults(), saved);
    return std::make_unique<DesktopSession>(desktop, display_->name(), saved, desktopTrigger);
  }

  static test::XvfbDisplay* display_;
  kelv::test::TempDir temp;
  core::SettingsStore store{core::Preferences(temp / "preferences.json"),
                            std::make_shared<core::MemorySecretStore>()};
  SettingsRecord record{store};
};

test::XvfbDisplay* HotkeyRecorderRowTest::display_ = nullptr;

TEST_F(HotkeyRecorderRowTest, TheRowSaysAndOffersWhatTheDesktopAllows) {
  const struct {
    const char* name;
    Desktop desktop;
    std::optional<Hotkey> saved;
    QString desktopTrigger;  // what the portal reports for the bound shortcut
    bool capturing;
    bool available;
    QString text;
    QString changeText;
    bool canTurnOff;
  } cases[] = {
      {"no X11 and no portal", Desktop::none, kCtrlShiftK, "", false, false, kUnavailable,
       "Change…", false},
      {"X11", Desktop::x11, kCtrlShiftK, "", false, true, "Ctrl+Shift+K", "Change…", true},
      {"X11, the default", Desktop::x11, Hotkey::defaultHotkey(), "", false, true,
       "Ctrl+Alt+Super+R", "Change…", true},
      {"X11, off", Desktop::x11, std::nullopt, "", false, true, "Off", "Change…", false},
      {"X11, capturing", Desktop::x11, kCtrlShiftK, "", true, true, "Press a shortcut…", "Cancel",
       false},
      {"X11, capturing with none", Desktop::x11, std::nullopt, "", true, true, "Press a shortcut…",
       "Cancel", false},
      {"portal", Desktop::portalVersion2, kCtrlShiftK, "Mayús+Ctrl+K", false, true, "Mayús+Ctrl+K",
       "Change…", true},
      {"portal, left unassigned by the desktop", Desktop::portalVersion2, kCtrlShiftK, "", false,
       true, "Sin asignar en el escritorio", "Change…", true},
      {"portal, off", Desktop::portalVersion2, std::nullopt, "F9", false, true, "Off", "Change…",
       false},
      {"portal of version 1", Desktop::portalVersion1, kCtrlShiftK, "Mayús+Ctrl+K", false, true,
       "Mayús+Ctrl+K", "Change…", true},
      {"portal of version 1, capturing", Desktop::portalVersion1, kCtrlShiftK, "F9", true, true,
       "Press a shortcut…", "Cancel", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto session = desktop(c.desktop, c.saved, c.desktopTrigger);
    HotkeyRecorder row(record, session->monitor);
    if (c.capturing) row.record();
    EXPECT_EQ(row.isAvailable(), c.available);
    EXPECT_EQ(row.isRecording(), c.capturing);
    EXPECT_EQ(row.text(), c.text);
    EXPECT_EQ(row.changeText(), c.changeText);
    EXPECT_EQ(row.canTurnOff(), c.canTurnOff);
  }
}

TEST_F(HotkeyRecorderRowTest, ChangeOpensTheDesktopsDialogWhereItHasOne) {
  const struct {
    const char* name;
    Desktop desktop;
    std::optional<Hotkey> saved;
    bool opensDialog;  // else it captures keys
  } cases[] = {
      {"X11", Desktop::x11, kCtrlShiftK, false},
      {"portal", Desktop::portalVersion2, kCtrlShiftK, true},
      {"portal, nothing bound", Desktop::portalVersion2, std::nullopt, false},
      {"portal without a dialog", Desktop::portalVersion1, kCtrlShiftK, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto session = desktop(c.desktop, c.saved);
    HotkeyRecorder row(record, session->monitor);
    row.toggleRecording();
    EXPECT_EQ(row.isRecording(), !c.opensDialog);
    if (session->portal) {
      if (c.opensDialog) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !session->portal->configured().empty(); }, 5000));
      }
      session->portal->sync();
      EXPECT_EQ(session->portal->configured().size(), c.opensDialog ? 1u : 0u);
    }
  }
}

TEST_F(HotkeyRecorderRowTest, OnThePortalTheRowFollowsTheDesktop) {
  auto session = desktop(Desktop::portalVersion1, Hotkey::defaultHotkey(), "Ctrl+Alt+Logo+R");
  test::FakeShortcutsPortal& portal = *session->portal;
  HotkeyRecorder row(record, session->monitor);
  QSignalSpy changed(&row, &HotkeyRecorder::changed);
  ASSERT_EQ(portal.sessions().size(), 1u);
  EXPECT_EQ(row.text(), "Ctrl+Alt+Logo+R");

  // Reassigned in the desktop's settings.
  portal.changeShortcuts(portal.sessions()[0], "F9");
  EXPECT_GE(changed.count(), 1);
  EXPECT_EQ(row.text(), "F9");

  // Without the desktop's dialog a captured shortcut is bound as the new preferred trigger.
  portal.setTriggerDescription("Ctrl+Mayús+K");
  row.toggleRecording();
  EXPECT_TRUE(row.press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier));
  ASSERT_TRUE(portal.waitForBinds(2));
  EXPECT_EQ(portal.binds()[1].preferredTrigger, "CTRL+SHIFT+k");
  EXPECT_EQ(Hotkey::saved(store.defaults()), kCtrlShiftK);
  ASSERT_TRUE(QTest::qWaitFor([&] { return row.text() == "Ctrl+Mayús+K"; }, 5000));

  row.turnOff();
  EXPECT_EQ(row.text(), "Off");
  ASSERT_FALSE(portal.sessions().empty());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const auto closed = portal.closed();
        return !closed.empty() && closed.back() == portal.sessions().back();
      },
      5000));
}

}  // namespace
}  // namespace kelv::app
