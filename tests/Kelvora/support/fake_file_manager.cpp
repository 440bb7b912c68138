#include "fake_file_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <stdexcept>

namespace kelv::test {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kConnection = QStringLiteral("fake-file-manager");

}  // namespace

FakeFileManager::FakeFileManager() {
  QDBusConnection bus = QDBusConnection::connectToBus(
      QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")), kConnection);
  if (!bus.isConnected()) throw std::runtime_error("the file manager can't reach the session bus");
  if (!bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) ||
      !bus.registerService(kService))
    throw std::runtime_error("org.freedesktop.FileManager1 can't be registered");
}

FakeFileManager::~FakeFileManager() {
  {
    QDBusConnection bus(kConnection);
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
    // A round trip, so the name is gone before the next test looks for it.
    bus.interface()->isServiceRegistered(kService);
  }
  QDBusConnection::disconnectFromBus(kConnection);
}

void FakeFileManager::ShowItems(const QStringList& uris, const QString&) { shown << uris; }
void FakeFileManager::ShowFolders(const QStringList&, const QString&) {}
void FakeFileManager::ShowItemProperties(const QStringList&, const QString&) {}

}  // namespace kelv::test
