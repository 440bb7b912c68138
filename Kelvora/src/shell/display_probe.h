// Whether the windows have a display to be shown on, asked before Qt is: Qt's platform plugin
// aborts the whole process when it finds no display, with a text that blames the
// installation. The probe follows Qt's own choice of platform: an X display for "xcb", a
// Wayland compositor for "wayland", either one when QT_QPA_PLATFORM leaves the choice to Qt, and
// nothing for platforms that need no display ("offscreen" and the like). Any thread.
#pragma once

#include <optional>
#include <string>

namespace kelv::app {

// The variables the probe reads; empty stands for unset.
struct DisplayEnvironment {
  std::string qpaPlatform;     // QT_QPA_PLATFORM
  std::string x11Display;      // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string runtimeFolder;   // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lives

  static DisplayEnvironment ofProcess();
};

// Nothing when a display is there to connect to; otherwise why not, as a sentence for the user.
std::optional<std::string> missingDisplay(const DisplayEnvironment& environment);

}  // namespace kelv::app
