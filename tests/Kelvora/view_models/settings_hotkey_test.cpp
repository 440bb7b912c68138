// The hotkey row of the settings over a preferences file in a temporary folder: what it says and
// offers in each state, and what each key press does to a capture.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"
#include "view_models/hotkey_recorder.h"

namespace kelv::app {
namespace {

class HotkeyRecorderTest : public testing::Test {
 protected:
  std::unique_ptr<HotkeyRecorder> recorder(bool available, std::optional<Hotkey> saved) {
    Hotkey::setSaved(store.defaults(), saved);
    return std::make_unique<HotkeyRecorder>(record, available);
  }

  kelv::test::TempDir temp;
  core::SettingsStore store{core::Preferences(temp / "preferences.json"),
                            std::make_shared<core::MemorySecretStore>()};
  SettingsRecord record{store};
};

const Hotkey kCtrlShiftK{*Hotkey::keyCodeOf('K'), Hotkey::kControl | Hotkey::kShift};

TEST_F(HotkeyRecorderTest, TheRowSaysAndOffersWhatTheStateAllows) {
  const struct {
    const char* name;
    bool available;
    std::optional<Hotkey> saved;
    bool capturing;
    QString text;
    QString changeText;
    bool canTurnOff;
  } cases[] = {
      {"no X11", false, kCtrlShiftK, false,
       "Global hotkeys are unavailable here: they need an X11 display.", "Change…", false},
      {"set", true, kCtrlShiftK, false, "Ctrl+Shift+K", "Change…", true},
      {"the default", true, Hotkey::defaultHotkey(), false, "Ctrl+Alt+Super+R", "Change…", true},
      {"off", true, std::nullopt, false, "Off", "Change…", false},
      {"capturing", true, kCtrlShiftK, true, "Press a shortcut…", "Cancel", false},
      {"capturing with none", true, std::nullopt, true, "Press a shortcut…", "Cancel", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto row = recorder(c.available, c.saved);
    if (c.capturing) row->toggleRecording();
    EXPECT_EQ(row->isRecording(), c.capturing);
    EXPECT_EQ(row->text(), c.text);
    EXPECT_EQ(row->changeText(), c.changeText);
    EXPECT_EQ(row->canTurnOff(), c.canTurnOff);
  }
}

TEST_F(HotkeyRecorderTest, KeyPressesWhileCapturing) {
  const struct {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool stillCapturing;
    std::optional<Hotkey> hotkey;
  } cases[] = {
      {"a plain letter waits", Qt::Key_K, Qt::NoModifier, true, Hotkey::defaultHotkey()},
      {"shift alone is no hotkey", Qt::Key_K, Qt::ShiftModifier, true, Hotkey::defaultHotkey()},
      {"a modifier key waits", Qt::Key_Control, Qt::ControlModifier, true, Hotkey::defaultHotkey()},
      {"a digit waits", Qt::Key_1, Qt::ControlModifier, true, Hotkey::defaultHotkey()},
      {"escape keeps the old one", Qt::Key_Escape, Qt::NoModifier, false, Hotkey::defaultHotkey()},
      {"a shortcut is taken", Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier, false,
       kCtrlShiftK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto row = recorder(true, Hotkey::defaultHotkey());
    row->record();
    EXPECT_TRUE(row->press(c.key, static_cast<int>(c.modifiers)));
    EXPECT_EQ(row->isRecording(), c.stillCapturing);
    EXPECT_EQ(row->hotkey(), c.hotkey);
    EXPECT_EQ(Hotkey::saved(store.defaults()), c.hotkey);
    // Once the capture is over, presses are the application's again.
    row->endRecording();
    EXPECT_FALSE(row->press(Qt::Key_J, Qt::ControlModifier));
    EXPECT_EQ(row->hotkey(), c.hotkey);
  }
}

TEST_F(HotkeyRecorderTest, TurningOffStoresNone) {
  auto row = recorder(true, kCtrlShiftK);
  row->turnOff();
  EXPECT_EQ(row->hotkey(), std::nullopt);
  EXPECT_EQ(Hotkey::saved(store.defaults()), std::nullopt);
  EXPECT_EQ(row->text(), "Off");
}

}  // namespace
}  // namespace kelv::app
