#include "desktop/hotkey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_dir.h"

namespace kelv::app {
namespace {

constexpr uint32_t kCtrl = Hotkey::kControl;
constexpr uint32_t kAlt = Hotkey::kOption;
constexpr uint32_t kShift = Hotkey::kShift;
constexpr uint32_t kSuper = Hotkey::kCommand;

TEST(Hotkey, DefaultIsCtrlAltSuperR) {
  EXPECT_EQ(Hotkey::defaultHotkey(), (Hotkey{15, 6400}));
  EXPECT_EQ(Hotkey::defaultHotkey().label(), "Ctrl+Alt+Super+R");
}

TEST(Hotkey, SavedReadsWhatThePreferencesHold) {
  struct Case {
    const char* name;
    const char* fileContent;  // nullptr: no preferences file at all
    std::optional<Hotkey> expected;
  };
  const std::vector<Case> cases = {
      {"no file", nullptr, Hotkey::defaultHotkey()},
      {"key absent", R"({"v2.settings": {}})", Hotkey::defaultHotkey()},
      {"null", R"({"v2.hotkey": null})", std::nullopt},
      {"stored value", R"({"v2.hotkey": {"keyCode": 0, "modifiers": 4608}})", Hotkey{0, 4608}},
      {"whole-number float", R"({"v2.hotkey": {"keyCode": 15.0, "modifiers": 256}})",
       Hotkey{15, 256}},
      {"code outside the table kept", R"({"v2.hotkey": {"keyCode": 99, "modifiers": 4096}})",
       Hotkey{99, 4096}},
      {"extra member ignored", R"({"v2.hotkey": {"keyCode": 1, "modifiers": 256, "x": true}})",
       Hotkey{1, 256}},
      {"text", R"({"v2.hotkey": "garbage"})", std::nullopt},
      {"JSON inside a text", R"({"v2.hotkey": "{\"keyCode\":15,\"modifiers\":6400}"})",
       std::nullopt},
      {"array", R"({"v2.hotkey": [15, 6400]})", std::nullopt},
      {"number", R"({"v2.hotkey": 15})", std::nullopt},
      {"missing modifiers", R"({"v2.hotkey": {"keyCode": 15}})", std::nullopt},
      {"modifiers as text", R"({"v2.hotkey": {"keyCode": 15, "modifiers": "6400"}})", std::nullopt},
      {"negative code", R"({"v2.hotkey": {"keyCode": -1, "modifiers": 6400}})", std::nullopt},
      {"code past 32 bits", R"({"v2.hotkey": {"keyCode": 4294967296, "modifiers": 6400}})",
       std::nullopt},
      {"fractional code", R"({"v2.hotkey": {"keyCode": 15.5, "modifiers": 6400}})", std::nullopt},
      {"largest 32-bit values", R"({"v2.hotkey": {"keyCode": 4294967295, "modifiers": 0}})",
       Hotkey{4294967295u, 0}},
      // A damaged file is an empty domain, so the shortcut falls back to the default.
      {"corrupt file", "{not json", Hotkey::defaultHotkey()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir folder;
    if (c.fileContent) test::writeFile(folder / "preferences.json", c.fileContent);
    EXPECT_EQ(Hotkey::saved(core::Preferences(folder / "preferences.json")), c.expected);
  }
}

TEST(Hotkey, SetSavedRoundTripsAndKeepsOtherKeys) {
  test::TempDir folder;
  test::writeFile(folder / "preferences.json", R"({"v2.consentAcknowledged": true})");
  const core::Preferences preferences(folder / "preferences.json");

  Hotkey::setSaved(preferences, Hotkey{0, kCtrl | kShift});
  EXPECT_EQ(Hotkey::saved(preferences), (Hotkey{0, 4608}));
  EXPECT_EQ(*preferences.value("v2.hotkey"), (nlohmann::json{{"keyCode", 0}, {"modifiers", 4608}}));

  // None is stored as null, which is not the same as nothing stored.
  Hotkey::setSaved(preferences, std::nullopt);
  EXPECT_TRUE(preferences.value("v2.hotkey")->is_null());
  EXPECT_EQ(Hotkey::saved(preferences), std::nullopt);

  EXPECT_EQ(preferences.boolean("v2.consentAcknowledged"), true);
}

TEST(Hotkey, FromKeyPressNeedsALetterAndANonShiftModifier) {
  const uint32_t a = 0, r = 15, z = 6;
  struct Case {
    const char* name;
    uint32_t keyCode;
    uint32_t modifiers;
    std::optional<Hotkey> expected;
  };
  const std::vector<Case> cases = {
      {"shift alone", a, kShift, std::nullopt},
      {"no modifier", a, 0, std::nullopt},
      {"ctrl+shift", a, kCtrl | kShift, Hotkey{a, 4608}},
      {"alt", z, kAlt, Hotkey{z, kAlt}},
      {"super", r, kSuper, Hotkey{r, kSuper}},
      {"all four", r, kCtrl | kAlt | kShift | kSuper, Hotkey{r, 6912}},
      {"unknown flags dropped", r, kCtrl | 0x10000 | 1, Hotkey{r, kCtrl}},
      {"unknown flags alone", r, 0x10000, std::nullopt},
      {"key code outside the letters", 18, kCtrl, std::nullopt},  // the "1" key elsewhere
      {"key code past the table", 47, kCtrl, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hotkey::fromKeyPress(c.keyCode, c.modifiers), c.expected);
  }
}

TEST(Hotkey, FromQtKeyMapsMetaToSuper) {
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier),
            (Hotkey{0, 4608}));
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier),
            Hotkey::defaultHotkey());
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_Z, Qt::AltModifier | Qt::KeypadModifier), (Hotkey{6, kAlt}));
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_A, Qt::ShiftModifier), std::nullopt);
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_1, Qt::ControlModifier), std::nullopt);
  EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_Escape, Qt::ControlModifier), std::nullopt);
}

TEST(Hotkey, LetterTableIsABijection) {
  std::string seen;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::optional<uint32_t> code = Hotkey::keyCodeOf(letter);
    ASSERT_TRUE(code) << letter;
    EXPECT_EQ(Hotkey::letterOf(*code), letter);
    EXPECT_EQ(Hotkey::keyCodeOf(static_cast<char>(letter - 'A' + 'a')), code);
    EXPECT_EQ(Hotkey::fromQtKey(Qt::Key_A + (letter - 'A'), Qt::ControlModifier),
              (Hotkey{*code, kCtrl}));
  }
  EXPECT_EQ(Hotkey::keyCodeOf('R'), 15u);
  EXPECT_EQ(Hotkey::keyCodeOf('I'), 34u);
  EXPECT_EQ(Hotkey::keyCodeOf('1'), std::nullopt);
  EXPECT_EQ(Hotkey::keyCodeOf('@'), std::nullopt);
  EXPECT_EQ(Hotkey::letterOf(10), std::nullopt);
}

TEST(Hotkey, LabelListsModifiersInFixedOrder) {
  struct Case {
    Hotkey hotkey;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {{0, kCtrl | kShift}, "Ctrl+Shift+A"},
      {{6, kSuper | kShift | kAlt | kCtrl}, "Ctrl+Alt+Shift+Super+Z"},
      {{46, kSuper | kAlt}, "Alt+Super+M"},
      {{15, 0}, "R"},
      {{99, kCtrl}, "Ctrl+?"},
      {{10, kShift}, "Shift+?"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.hotkey.label(), QString::fromUtf8(c.expected));
}

}  // namespace
}  // namespace kelv::app
