#include "desktop/hotkey_monitor.h"

#include "desktop/portal_shortcuts.h"
#include "desktop/x11_key_grab.h"

namespace kelv::app {

HotkeyMonitor& HotkeyMonitor::shared() {
  // Never destroyed: it lives as long as the process, and the process's end closes the X
  // connection and the portal session (destroying it after QCoreApplication would outlive the
  // event dispatcher).
  static HotkeyMonitor* const monitor = new HotkeyMonitor;
  return *monitor;
}

HotkeyMonitor::HotkeyMonitor(QObject* parent)
    : QObject(parent), x11_(new X11KeyGrab(this)), portal_(new PortalShortcuts(this)) {
  connect(x11_, &X11KeyGrab::pressed, this, &HotkeyMonitor::pressed);
  connect(portal_, &PortalShortcuts::activated, this, &HotkeyMonitor::pressed);
  connect(portal_, &PortalShortcuts::changed, this, &HotkeyMonitor::changed);
}

HotkeyMonitor::~HotkeyMonitor() = default;

bool HotkeyMonitor::wayland() const { return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"); }

void HotkeyMonitor::registerHotkey(const std::optional<Hotkey>& hotkey) {
  if (wayland())
    portal_->bind(hotkey);
  else
    x11_->grab(hotkey);
}

bool HotkeyMonitor::isAvailable() const {
  if (!wayland()) return x11_->connect();
  portal_->probe();
  return portal_->state() == PortalShortcuts::State::offered;
}

std::optional<QString> HotkeyMonitor::trigger() const {
  if (!wayland()) return std::nullopt;
  return portal_->trigger();
}

bool HotkeyMonitor::desktopConfigures() const {
  return isAvailable() && wayland() && portal_->version() >= 2;
}

void HotkeyMonitor::configure() {
  if (wayland()) portal_->configure();
}

}  // namespace kelv::app
