#include "desktop/x11_key_grab.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xkb.h names a member "explicit", which is a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

namespace kelv::app {
namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;

struct FreeDeleter {
  void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbPointer = std::unique_ptr<T, FreeDeleter>;

// The X11 modifier mask of the stored flags: control, Alt (Mod1), Shift and Super (Mod4).
uint16_t x11Modifiers(uint32_t flags) {
  uint16_t mask = 0;
  if (flags & Hotkey::kControl) mask |= XCB_MOD_MASK_CONTROL;
  if (flags & Hotkey::kOption) mask |= XCB_MOD_MASK_1;
  if (flags & Hotkey::kShift) mask |= XCB_MOD_MASK_SHIFT;
  if (flags & Hotkey::kCommand) mask |= XCB_MOD_MASK_4;
  return mask;
}

constexpr uint16_t kShortcutModifiers =
    XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

}  // namespace

struct X11KeyGrab::Impl {
  X11KeyGrab* owner = nullptr;
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = XCB_NONE;
  xcb_key_symbols_t* symbols = nullptr;
  QSocketNotifier* notifier = nullptr;
  uint16_t numLockMask = XCB_MOD_MASK_2;

  std::optional<Hotkey> wanted;            // what the application asked for
  std::vector<xcb_keycode_t> grabbedKeys;  // what is grabbed now
  uint16_t grabbedModifiers = 0;
  // Holding the shortcut down must not toggle the recording over and over. With XKB's
  // detectable auto-repeat a held key sends presses without releases, so a press of the key
  // that is still down is a repeat. Without it, X sends a release and a press with the same
  // time stamp for each repeat.
  bool detectableRepeat = false;
  std::optional<xcb_keycode_t> heldKey;
  xcb_timestamp_t lastReleaseTime = 0;
  xcb_keycode_t lastReleaseKey = 0;

  ~Impl() { disconnect(); }

  // Opens $DISPLAY once it exists; false without one (pure Wayland, or no session at all).
  bool connect() {
    if (connection) return true;
    int screenNumber = 0;
    xcb_connection_t* opened = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(opened)) {
      xcb_disconnect(opened);
      return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(opened));
    for (int index = 0; index < screenNumber && screens.rem > 0; ++index) xcb_screen_next(&screens);
    if (screens.rem == 0) {
      xcb_disconnect(opened);
      return false;
    }
    connection = opened;
    root = screens.data->root;
    symbols = xcb_key_symbols_alloc(connection);
    numLockMask = findNumLockMask();
    detectableRepeat = askForDetectableRepeat();
    notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [this] { readEvents(); });
    return true;
  }

  void disconnect() {
    delete notifier;
    notifier = nullptr;
    if (symbols) xcb_key_symbols_free(symbols);
    symbols = nullptr;
    if (connection) xcb_disconnect(connection);
    connection = nullptr;
    grabbedKeys.clear();
  }

  bool askForDetectableRepeat() {
    // Asking for an extension the server lacks would close the connection, so look first.
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!xkb || !xkb->present) return false;
    XcbPointer<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!use || !use->supported) return false;
    constexpr uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    XcbPointer<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr));
    return flags && (flags->value & flag);
  }

  // Num Lock is Mod2 on nearly every layout, but the server's modifier map says for sure.
  uint16_t findNumLockMask() {
    XcbPointer<xcb_keycode_t> numLockKeys(xcb_key_symbols_get_keycode(symbols, kNumLockKeysym));
    XcbPointer<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!numLockKeys || !mapping) return XCB_MOD_MASK_2;
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
      for (int slot = 0; slot < perModifier; ++slot) {
        const xcb_keycode_t key = keys[modifier * perModifier + slot];
        if (key == XCB_NO_SYMBOL) continue;
        for (const xcb_keycode_t* numLock = numLockKeys.get(); *numLock != XCB_NO_SYMBOL; ++numLock)
          if (*numLock == key) return static_cast<uint16_t>(1u << modifier);
      }
    return XCB_MOD_MASK_2;
  }

  std::array<uint16_t, 4> lockVariants() const {
    return {0, XCB_MOD_MASK_LOCK, numLockMask,
            static_cast<uint16_t>(XCB_MOD_MASK_LOCK | numLockMask)};
  }

  void ungrab() {
    for (const xcb_keycode_t key : grabbedKeys)
      for (const uint16_t variant : lockVariants())
        xcb_ungrab_key(connection, key, root, static_cast<uint16_t>(grabbedModifiers | variant));
    grabbedKeys.clear();
  }

  // Grabs `wanted` on the root window. The grabs are checked so that registration is complete
  // when this returns; a grab the server refuses (another client holds it) is left at that.
  void grab() {
    if (!wanted) return;
    const std::optional<char> letter = Hotkey::letterOf(wanted->keyCode);
    if (!letter) return;
    // Letter keys carry the lower-case keysym in their first column; keysyms equal Latin-1.
    const auto keysym = static_cast<xcb_keysym_t>(*letter - 'A' + 'a');
    XcbPointer<xcb_keycode_t> keys(xcb_key_symbols_get_keycode(symbols, keysym));
    if (!keys) return;
    grabbedModifiers = x11Modifiers(wanted->modifiers);
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t* key = keys.get(); *key != XCB_NO_SYMBOL; ++key) {
      grabbedKeys.push_back(*key);
      for (const uint16_t variant : lockVariants())
        cookies.push_back(xcb_grab_key_checked(connection, 0, root,
                                               static_cast<uint16_t>(grabbedModifiers | variant),
                                               *key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    for (const xcb_void_cookie_t cookie : cookies) std::free(xcb_request_check(connection, cookie));
  }

  void apply() {
    heldKey.reset();
    ungrab();
    grab();
    xcb_flush(connection);
    // The replies above may have pulled events off the socket into xcb's queue, where the
    // socket notifier can't see them.
    QMetaObject::invokeMethod(
        owner, [this] { readEvents(); }, Qt::QueuedConnection);
  }

  bool matches(const xcb_key_press_event_t& event) const {
    if (!wanted) return false;
    bool grabbedKey = false;
    for (const xcb_keycode_t key : grabbedKeys) grabbedKey = grabbedKey || key == event.detail;
    return grabbedKey && (event.state & kShortcutModifiers) == grabbedModifiers;
  }

  void readEvents() {
    if (!connection) return;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
      XcbPointer<xcb_generic_event_t> event(raw);
      switch (event->response_type & 0x7f) {
        case XCB_KEY_PRESS: {
          const auto& press = *reinterpret_cast<xcb_key_press_event_t*>(raw);
          const bool repeat = detectableRepeat
                                  ? heldKey == press.detail
                                  : press.detail == lastReleaseKey && press.time == lastReleaseTime;
          if (repeat || !matches(press)) break;
          heldKey = press.detail;
          emit owner->pressed();
          break;
        }
        case XCB_KEY_RELEASE: {
          const auto& release = *reinterpret_cast<xcb_key_release_event_t*>(raw);
          if (heldKey == release.detail) heldKey.reset();
          lastReleaseKey = release.detail;
          lastReleaseTime = release.time;
          break;
        }
        case XCB_MAPPING_NOTIFY: {
          // A new keyboard layout may move the letter to another key code.
          auto* notify = reinterpret_cast<xcb_mapping_notify_event_t*>(raw);
          if (notify->request == XCB_MAPPING_POINTER) break;
          xcb_refresh_keyboard_mapping(symbols, notify);
          ungrab();
          numLockMask = findNumLockMask();
          grab();
          xcb_flush(connection);
          break;
        }
        default:
          break;  // errors of unchecked requests and anything else: nothing to do
      }
      if (!connection) return;
    }
    // The server went away: forget the connection; the next registration reconnects.
    if (xcb_connection_has_error(connection)) disconnect();
  }
};

X11KeyGrab::X11KeyGrab(QObject* parent) : QObject(parent), impl_(new Impl) { impl_->owner = this; }

X11KeyGrab::~X11KeyGrab() { delete impl_; }

bool X11KeyGrab::connect() { return impl_->connect(); }

void X11KeyGrab::grab(const std::optional<Hotkey>& hotkey) {
  impl_->wanted = hotkey;
  if (!impl_->connect()) return;
  impl_->apply();
}

}  // namespace kelv::app
