#include "desktop/hotkey.h"

#include <array>
#include <cmath>
#include <limits>

namespace kelv::app {
namespace {

// Index = letter - 'A'. The codes are the ones stored in the preferences, a fixed table so a
// saved shortcut keeps its meaning; they are not X11 key codes (the monitor translates them).
constexpr std::array<uint32_t, 26> kLetterCodes = {
    0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,  // A–M
    45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6,   // N–Z
};

// A JSON number that fits a 32-bit unsigned code, or none.
std::optional<uint32_t> codeFrom(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<uint64_t>();
    if (number > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(number);
  }
  if (value.is_number_integer()) {
    const auto number = value.get<int64_t>();
    if (number < 0 || number > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(number);
  }
  if (value.is_number_float()) {
    // 15.0 is a whole number another writer may have produced; 15.5 is not a code.
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < 0 || number > std::numeric_limits<uint32_t>::max() ||
        std::trunc(number) != number)
      return std::nullopt;
    return static_cast<uint32_t>(number);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Hotkey> Hotkey::saved(const core::Preferences& preferences) {
  const std::optional<nlohmann::json> stored = preferences.value(kPreferenceKey);
  if (!stored) return defaultHotkey();
  if (stored->is_null() || !stored->is_object()) return std::nullopt;
  const auto keyCode = stored->find("keyCode");
  const auto modifiers = stored->find("modifiers");
  if (keyCode == stored->end() || modifiers == stored->end()) return std::nullopt;
  const auto code = codeFrom(*keyCode);
  const auto flags = codeFrom(*modifiers);
  if (!code || !flags) return std::nullopt;
  return Hotkey{*code, *flags};
}

void Hotkey::setSaved(const core::Preferences& preferences, const std::optional<Hotkey>& hotkey) {
  nlohmann::json value = nullptr;
  if (hotkey) value = {{"keyCode", hotkey->keyCode}, {"modifiers", hotkey->modifiers}};
  preferences.set(kPreferenceKey, value);
}

std::optional<Hotkey> Hotkey::fromKeyPress(uint32_t keyCode, uint32_t modifiers) {
  // Only the four known flags count; anything else the event carries is not part of a shortcut.
  const uint32_t flags = modifiers & (kControl | kOption | kShift | kCommand);
  if ((flags & (kControl | kOption | kCommand)) == 0) return std::nullopt;
  if (!letterOf(keyCode)) return std::nullopt;
  return Hotkey{keyCode, flags};
}

std::optional<Hotkey> Hotkey::fromQtKey(int key, Qt::KeyboardModifiers modifiers) {
  if (key < Qt::Key_A || key > Qt::Key_Z) return std::nullopt;
  uint32_t flags = 0;
  if (modifiers & Qt::ControlModifier) flags |= kControl;
  if (modifiers & Qt::AltModifier) flags |= kOption;
  if (modifiers & Qt::ShiftModifier) flags |= kShift;
  if (modifiers & Qt::MetaModifier) flags |= kCommand;
  return fromKeyPress(kLetterCodes[static_cast<size_t>(key - Qt::Key_A)], flags);
}

std::optional<uint32_t> Hotkey::keyCodeOf(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  return kLetterCodes[static_cast<size_t>(letter - 'A')];
}

std::optional<char> Hotkey::letterOf(uint32_t keyCode) {
  for (size_t index = 0; index < kLetterCodes.size(); ++index)
    if (kLetterCodes[index] == keyCode) return static_cast<char>('A' + index);
  return std::nullopt;
}

QString Hotkey::label() const {
  QString text;
  if (modifiers & kControl) text += QStringLiteral("Ctrl+");
  if (modifiers & kOption) text += QStringLiteral("Alt+");
  if (modifiers & kShift) text += QStringLiteral("Shift+");
  if (modifiers & kCommand) text += QStringLiteral("Super+");
  const std::optional<char> letter = letterOf(keyCode);
  text += letter ? QChar(QLatin1Char(*letter)) : QChar(u'?');
  return text;
}

}  // namespace kelv::app
