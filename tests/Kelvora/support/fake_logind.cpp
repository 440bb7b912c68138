#include "fake_logind.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <atomic>
#include <stdexcept>

namespace kelv::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");

QString nextConnectionName() {
  static std::atomic<int> counter{0};
  return QStringLiteral("fake-logind-%1").arg(++counter);
}

}  // namespace

FakeLogind::FakeLogind(bool ownName) : connectionName_(nextConnectionName()) {
  QDBusConnection bus = QDBusConnection::connectToBus(
      qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"), connectionName_);
  if (!bus.isConnected()) {
    QDBusConnection::disconnectFromBus(connectionName_);
    throw std::runtime_error("the private system bus can't be reached");
  }
  if (ownName) {
    if (!bus.registerService(kService)) {
      QDBusConnection::disconnectFromBus(connectionName_);
      throw std::runtime_error("org.freedesktop.login1 is owned by someone else");
    }
    ownsName_ = true;
  }
}

FakeLogind::~FakeLogind() {
  QDBusConnection bus(connectionName_);
  if (ownsName_) bus.unregisterService(kService);
  QDBusConnection::disconnectFromBus(connectionName_);
}

void FakeLogind::emitPrepareForSleep(bool sleeping) {
  QDBusConnection bus(connectionName_);
  QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                   QStringLiteral("org.freedesktop.login1.Manager"),
                                                   QStringLiteral("PrepareForSleep"));
  signal << sleeping;
  if (!bus.send(signal)) throw std::runtime_error("PrepareForSleep could not be sent");
  // The daemon handles one connection's messages in order, so once this call is answered the
  // signal has been passed on to every receiver.
  const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
  if (reply.type() != QDBusMessage::ReplyMessage)
    throw std::runtime_error("the system bus did not answer");
}

}  // namespace kelv::test
