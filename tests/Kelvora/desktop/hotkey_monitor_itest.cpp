// The global registration against a real X server (a private Xvfb), with key presses made
// through the XTEST extension as if typed.
#include "desktop/hotkey_monitor.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "xvfb_display.h"

namespace kelv::app {
namespace {

constexpr xcb_keysym_t kControlL = 0xffe3, kAltL = 0xffe9, kShiftL = 0xffe1, kSuperL = 0xffeb;
constexpr xcb_keysym_t kCapsLock = 0xffe5, kNumLock = 0xff7f;
constexpr xcb_keysym_t kLetterA = 'a', kLetterR = 'r';

const Hotkey kCtrlShiftA{0, Hotkey::kControl | Hotkey::kShift};

// A second X client: types through XTEST and probes grabs.
class Keyboard {
 public:
  explicit Keyboard(const std::string& display) {
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("no X connection");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
  }
  ~Keyboard() {
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
  }

  // Presses the keys in order and releases them in reverse, then waits until the server has
  // handled all of it.
  void chord(std::initializer_list<xcb_keysym_t> keysyms) {
    std::vector<xcb_keycode_t> keys;
    for (const xcb_keysym_t keysym : keysyms) keys.push_back(keycode(keysym));
    for (const xcb_keycode_t key : keys) fake(XCB_KEY_PRESS, key);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) fake(XCB_KEY_RELEASE, *key);
    sync();
  }

  uint16_t modifierState() {
    std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> reply(
        xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr),
        &std::free);
    return reply ? reply->mask : 0;
  }

  // Whether this client could grab the key itself, i.e. nobody else holds that grab. A
  // successful probe is undone at once.
  bool canGrab(xcb_keysym_t letter, uint16_t modifiers) {
    const xcb_keycode_t key = keycode(letter);
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 0, root_, modifiers, key,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
      std::free(error);
      return false;
    }
    release(letter, modifiers);
    return true;
  }

  void grab(xcb_keysym_t letter, uint16_t modifiers) {
    xcb_grab_key(connection_, 0, root_, modifiers, keycode(letter), XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    sync();
  }

  void release(xcb_keysym_t letter, uint16_t modifiers) {
    xcb_ungrab_key(connection_, keycode(letter), root_, modifiers);
    sync();
  }

 private:
  xcb_keycode_t keycode(xcb_keysym_t keysym) {
    xcb_keycode_t* keys = xcb_key_symbols_get_keycode(symbols_, keysym);
    if (!keys || keys[0] == XCB_NO_SYMBOL) {
      std::free(keys);
      throw std::runtime_error("keysym without a key");
    }
    const xcb_keycode_t key = keys[0];
    std::free(keys);
    return key;
  }

  void fake(uint8_t type, xcb_keycode_t key) {
    xcb_test_fake_input(connection_, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, XCB_NONE);
  }

  void sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_key_symbols_t* symbols_ = nullptr;
};

constexpr uint16_t kDefaultMask =
    XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;  // Ctrl+Alt+Super
constexpr uint16_t kCtrlShiftMask = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;

class HotkeyMonitorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = new test::XvfbDisplay;
    ::setenv("DISPLAY", display_->name().c_str(), 1);
    // An X11 session: in a Wayland one the hotkey goes through the desktop portal instead.
    ::unsetenv("WAYLAND_DISPLAY");
  }
  static void TearDownTestSuite() {
    HotkeyMonitor::shared().registerHotkey(std::nullopt);
    delete display_;
    display_ = nullptr;
  }

  void SetUp() override { keyboard_.emplace(display_->name()); }
  void TearDown() override { HotkeyMonitor::shared().registerHotkey(std::nullopt); }

  // Waits for the spy to reach `count` presses. The monitor's events arrive in order, so a
  // press that should have been ignored would already be counted by then.
  static bool reaches(QSignalSpy& spy, int count) {
    return QTest::qWaitFor([&] { return spy.count() >= count; }, 5000) && spy.count() == count;
  }

  void typeDefault() { keyboard_->chord({kControlL, kAltL, kSuperL, kLetterR}); }

  static test::XvfbDisplay* display_;
  std::optional<Keyboard> keyboard_;
};

test::XvfbDisplay* HotkeyMonitorTest::display_ = nullptr;

TEST_F(HotkeyMonitorTest, DefaultHotkeyFiresOnlyForItsExactChord) {
  HotkeyMonitor& monitor = HotkeyMonitor::shared();
  ASSERT_TRUE(monitor.isAvailable());
  QSignalSpy spy(&monitor, &HotkeyMonitor::pressed);
  monitor.registerHotkey(Hotkey::defaultHotkey());
  // Held by the monitor in every lock variant.
  EXPECT_FALSE(keyboard_->canGrab(kLetterR, kDefaultMask));
  EXPECT_FALSE(keyboard_->canGrab(kLetterR, kDefaultMask | XCB_MOD_MASK_LOCK));
  EXPECT_FALSE(keyboard_->canGrab(kLetterR, kDefaultMask | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));

  keyboard_->chord({kControlL, kAltL, kLetterR});
  keyboard_->chord({kControlL, kAltL, kSuperL, kShiftL, kLetterR});
  keyboard_->chord({kLetterR});
  typeDefault();
  EXPECT_TRUE(reaches(spy, 1)) << spy.count();
  typeDefault();
  EXPECT_TRUE(reaches(spy, 2)) << spy.count();
}

TEST_F(HotkeyMonitorTest, FiresWithCapsLockAndNumLockOn) {
  HotkeyMonitor& monitor = HotkeyMonitor::shared();
  QSignalSpy spy(&monitor, &HotkeyMonitor::pressed);
  monitor.registerHotkey(kCtrlShiftA);

  struct Step {
    const char* name;
    xcb_keysym_t toggle;
    uint16_t locksAfter;
  };
  const std::vector<Step> steps = {
      {"caps lock on", kCapsLock, XCB_MOD_MASK_LOCK},
      {"num lock on too", kNumLock, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2},
      {"num lock only", kCapsLock, XCB_MOD_MASK_2},
      {"both off", kNumLock, 0},
  };
  int expected = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    keyboard_->chord({step.toggle});
    ASSERT_EQ(keyboard_->modifierState() & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), step.locksAfter);
    keyboard_->chord({kControlL, kShiftL, kLetterA});
    EXPECT_TRUE(reaches(spy, ++expected)) << spy.count();
  }
}

TEST_F(HotkeyMonitorTest, UnregisteringReleasesTheGrab) {
  HotkeyMonitor& monitor = HotkeyMonitor::shared();
  QSignalSpy spy(&monitor, &HotkeyMonitor::pressed);
  monitor.registerHotkey(Hotkey::defaultHotkey());
  monitor.registerHotkey(std::nullopt);
  EXPECT_TRUE(keyboard_->canGrab(kLetterR, kDefaultMask));
  EXPECT_TRUE(keyboard_->canGrab(kLetterR, kDefaultMask | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2));
  typeDefault();

  // The marker press proves the earlier one was delivered to nobody.
  monitor.registerHotkey(Hotkey::defaultHotkey());
  typeDefault();
  EXPECT_TRUE(reaches(spy, 1)) << spy.count();
}

TEST_F(HotkeyMonitorTest, ASecondRegistrationReplacesTheFirst) {
  HotkeyMonitor& monitor = HotkeyMonitor::shared();
  QSignalSpy spy(&monitor, &HotkeyMonitor::pressed);
  monitor.registerHotkey(kCtrlShiftA);
  monitor.registerHotkey(Hotkey::defaultHotkey());
  EXPECT_TRUE(keyboard_->canGrab(kLetterA, kCtrlShiftMask));
  EXPECT_FALSE(keyboard_->canGrab(kLetterR, kDefaultMask));

  keyboard_->chord({kControlL, kShiftL, kLetterA});
  typeDefault();
  EXPECT_TRUE(reaches(spy, 1)) << spy.count();
}

TEST_F(HotkeyMonitorTest, AGrabHeldElsewhereIsQuietlyLeft) {
  HotkeyMonitor& monitor = HotkeyMonitor::shared();
  QSignalSpy spy(&monitor, &HotkeyMonitor::pressed);
  keyboard_->grab(kLetterR, kDefaultMask);
  monitor.registerHotkey(Hotkey::defaultHotkey());
  typeDefault();  // goes to the other client
  keyboard_->release(kLetterR, kDefaultMask);

  // The variants that were free are the monitor's: Caps Lock on still reaches it.
  keyboard_->chord({kCapsLock});
  typeDefault();
  keyboard_->chord({kCapsLock});
  EXPECT_TRUE(reaches(spy, 1)) << spy.count();
}

}  // namespace
}  // namespace kelv::app
