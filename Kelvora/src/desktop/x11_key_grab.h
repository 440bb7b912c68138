// The hotkey on X11: a key grab on the root window (with the Caps Lock and Num Lock variants,
// so the shortcut works whatever their state). Presses are read from the X connection's socket
// on the main thread. Without an X display nothing is grabbed. Main thread only.
#pragma once

#include <QObject>

#include <optional>

#include "desktop/hotkey.h"

namespace kelv::app {

class X11KeyGrab : public QObject {
  Q_OBJECT

 public:
  explicit X11KeyGrab(QObject* parent = nullptr);
  ~X11KeyGrab() override;

  // Opens $DISPLAY once it can be reached; false while there is none.
  bool connect();
  // Replaces the grab with this hotkey (none: ungrab only). A grab the X server refuses (another
  // client holds it) simply doesn't work. Without a display it is remembered for nothing.
  void grab(const std::optional<Hotkey>& hotkey);

 signals:
  void pressed();

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace kelv::app
