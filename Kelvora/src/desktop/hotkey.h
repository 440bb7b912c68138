// A global keyboard shortcut: a letter key and modifiers, kept in platform-neutral codes
// (the letter table below and the modifier numbers control 4096, option/Alt 2048, shift 512,
// command/Super 256) so a stored shortcut means the same everywhere.
//
// The saved shortcut lives in the preferences under "v2.hotkey" as {"keyCode", "modifiers"}
// or null. A plain value.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

#include "kelv/core/settings/preferences.h"

namespace kelv::app {

struct Hotkey {
  static constexpr uint32_t kControl = 4096;
  static constexpr uint32_t kOption = 2048;
  static constexpr uint32_t kShift = 512;
  static constexpr uint32_t kCommand = 256;
  static constexpr const char* kPreferenceKey = "v2.hotkey";

  uint32_t keyCode = 0;
  uint32_t modifiers = 0;

  // Control + Alt + Super + R.
  static Hotkey defaultHotkey() { return {15, kControl | kOption | kCommand}; }

  // Nothing stored: the default; JSON that decodes: that value (possibly none); else none.
  static std::optional<Hotkey> saved(const core::Preferences& preferences);
  // Stores the value (null for none). Registering it is the caller's part. Throws
  // core::PlatformError when the preferences can't be written.
  static void setSaved(const core::Preferences& preferences, const std::optional<Hotkey>& hotkey);

  // The shortcut a key press makes: at least one of control, option or command, and a letter.
  static std::optional<Hotkey> fromKeyPress(uint32_t keyCode, uint32_t modifiers);
  // The same from a Qt key event (Qt::Key_A to Qt::Key_Z; Meta is Super, i.e. command).
  static std::optional<Hotkey> fromQtKey(int key, Qt::KeyboardModifiers modifiers);

  // The letter's key code ("R" → 15), or none.
  static std::optional<uint32_t> keyCodeOf(char letter);
  // The key code's letter, or none.
  static std::optional<char> letterOf(uint32_t keyCode);

  // "Ctrl+Alt+Super+R": modifiers in the order Ctrl, Alt, Shift, Super, then the letter ("?"
  // outside the table).
  QString label() const;

  bool operator==(const Hotkey&) const = default;
};

}  // namespace kelv::app
