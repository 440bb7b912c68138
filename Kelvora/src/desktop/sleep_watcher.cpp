#include "desktop/sleep_watcher.h"

#include <QDBusConnection>

namespace kelv::app {

SleepWatcher::SleepWatcher(QObject* parent) : QObject(parent) {}

bool SleepWatcher::start() {
  if (started_) return true;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  // Naming the service makes the bus deliver only what the owner of logind's name sends.
  started_ = bus.connect(QStringLiteral("org.freedesktop.login1"),
                         QStringLiteral("/org/freedesktop/login1"),
                         QStringLiteral("org.freedesktop.login1.Manager"),
                         QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
  return started_;
}

void SleepWatcher::prepareForSleep(bool sleeping) {
  if (sleeping)
    emit aboutToSleep();
  else
    emit wokeUp();
}

}  // namespace kelv::app
