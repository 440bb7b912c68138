// The one global registration of the hotkey on X11: a key grab on the root window (with the
// Caps Lock and Num Lock variants, so the shortcut works whatever their state). Presses are
// read from the X connection's socket on the main thread. Without an X display (pure Wayland)
// registration does nothing and `isAvailable` is false.
#pragma once

#include <QObject>

#include <optional>

#include "desktop/hotkey.h"

namespace kelv::app {

class HotkeyMonitor : public QObject {
  Q_OBJECT

 public:
  static HotkeyMonitor& shared();

  // Replaces the registration with this hotkey (none: unregister only). A grab the X server
  // refuses simply doesn't work.
  void registerHotkey(const std::optional<Hotkey>& hotkey);
  bool isAvailable() const;

 signals:
  void pressed();

 private:
  explicit HotkeyMonitor(QObject* parent = nullptr);
  ~HotkeyMonitor() override;
  struct Impl;
  Impl* impl_;
};

}  // namespace kelv::app
