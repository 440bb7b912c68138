// The hotkey row of the settings over a preferences file in a temporary folder: what each key
// press does to a capture. (What the row says on each desktop: hotkey_recorder_itest.)
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "kelv/core/settings/memory_secret_store.h"
#include "scoped_variable.h"
#include "temp_dir.h"
#include "view_models/hotkey_recorder.h"

namespace kelv::app {
namespace {

class HotkeyRecorderTest : public testing::Test {
 protected:
  std::unique_ptr<HotkeyRecorder> recorder(std::optional<Hotkey> saved) {
    Hotkey::setSaved(store.defaults(), saved);
    return std::make_unique<HotkeyRecorder>(record, monitor);
  }

  // Captures need no desktop; none here, so nothing is registered on the one the tests run in.
  test::ScopedVariable wayland{"WAYLAND_DISPLAY", std::nullopt};
  test::ScopedVariable x11{"DISPLAY", std::nullopt};
  HotkeyMonitor monitor;

  kelv::test::TempDir temp;
  core::SettingsStore store{core::Preferences(temp / "preferences.json"),
                            std::make_shared<core::MemorySecretStore>()};
  SettingsRecord record{store};
};

const Hotkey kCtrlShiftK{*Hotkey::keyCodeOf('K'), Hotkey::kControl | Hotkey::kShift};

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
    auto row = recorder(Hotkey::defaultHotkey());
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
  auto row = recorder(kCtrlShiftK);
  row->turnOff();
  EXPECT_EQ(row->hotkey(), std::nullopt);
  EXPECT_EQ(Hotkey::saved(store.defaults()), std::nullopt);
}

}  // namespace
}  // namespace kelv::app
