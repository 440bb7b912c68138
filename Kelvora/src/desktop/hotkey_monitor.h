// The one global registration of the hotkey, on whichever route the desktop offers: on X11 a
// key grab on the root window; in a Wayland session (WAYLAND_DISPLAY set), where clients can't
// grab keys, the desktop portal's global shortcuts, which the desktop itself binds, words and
// may let the user change. Neither there: hotkeys are unavailable. A Wayland session never
// falls back to its X11 compatibility server, whose grabs only see keys typed into X11 windows.
//
// The portal answers over the session bus, so availability and the desktop's wording of the
// trigger arrive later: `changed` tells. Main thread only.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "desktop/hotkey.h"

namespace kelv::app {

class PortalShortcuts;
class X11KeyGrab;

class HotkeyMonitor : public QObject {
  Q_OBJECT

 public:
  // The application's registration.
  static HotkeyMonitor& shared();

  // A registration of its own, on the route the environment offers when asked.
  explicit HotkeyMonitor(QObject* parent = nullptr);
  ~HotkeyMonitor() override;

  // Replaces the registration with this hotkey (none: unregister only). A hotkey the desktop
  // refuses simply doesn't work.
  void registerHotkey(const std::optional<Hotkey>& hotkey);
  // Whether a hotkey can be registered here. In a Wayland session false until the portal has
  // answered.
  bool isAvailable() const;
  // The trigger as the desktop words it, where the desktop binds the hotkey; none on X11 and
  // until it has answered. Empty when the desktop left it unassigned.
  std::optional<QString> trigger() const;
  // Whether the desktop has a dialog of its own for changing the hotkey (`configure` opens it).
  bool desktopConfigures() const;
  void configure();

 signals:
  void pressed();
  // Availability, the trigger's wording or the dialog's presence changed.
  void changed();

 private:
  bool wayland() const;

  X11KeyGrab* x11_;
  PortalShortcuts* portal_;
};

}  // namespace kelv::app
