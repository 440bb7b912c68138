#include "fake_status_notifier_watcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace kelv::test {

namespace {

const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
const QString kInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

const char kIntrospection[] = R"(
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
)";

}  // namespace

class WatcherObject : public QDBusVirtualObject {
 public:
  explicit WatcherObject(FakeStatusNotifierWatcher::State* state) : state_(state) {}
  QString introspect(const QString&) const override { return QString::fromLatin1(kIntrospection); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  QVariantMap properties() const;
  FakeStatusNotifierWatcher::State* state_;
};

struct FakeStatusNotifierWatcher::State {
  std::optional<QDBusConnection> connection;
  WatcherObject object{this};
  QStringList items;
  QStringList services;
};

QVariantMap WatcherObject::properties() const {
  return {{QStringLiteral("RegisteredStatusNotifierItems"), state_->services},
          {QStringLiteral("IsStatusNotifierHostRegistered"), true},
          {QStringLiteral("ProtocolVersion"), 0}};
}

bool WatcherObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  const QVariantList arguments = message.arguments();
  if (message.interface() == kProperties && message.member() == QLatin1String("Get") &&
      arguments.size() == 2) {
    const QVariant value = properties().value(arguments[1].toString());
    connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    return true;
  }
  if (message.interface() == kProperties && message.member() == QLatin1String("GetAll")) {
    connection.send(message.createReply(properties()));
    return true;
  }
  if (message.member() == QLatin1String("RegisterStatusNotifierItem") && arguments.size() == 1) {
    const QString service = arguments[0].toString();
    state_->items << message.service() + QLatin1Char(' ') + service;
    state_->services << service;
    connection.send(message.createReply());
    QDBusMessage registered = QDBusMessage::createSignal(
        kPath, kInterface, QStringLiteral("StatusNotifierItemRegistered"));
    registered << service;
    connection.send(registered);
    return true;
  }
  if (message.member() == QLatin1String("RegisterStatusNotifierHost")) {
    connection.send(message.createReply());
    return true;
  }
  return false;
}

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher() : state_(std::make_unique<State>()) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr) throw std::runtime_error("no session bus for the tray watcher");
  state_->connection.emplace(QDBusConnection::connectToBus(QString::fromLocal8Bit(address),
                                                           QStringLiteral("fake-sni-watcher")));
  if (!state_->connection->isConnected() ||
      !state_->connection->registerVirtualObject(kPath, &state_->object) ||
      !state_->connection->registerService(kService))
    throw std::runtime_error("the tray watcher can't take its name");
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher() {
  state_->connection->unregisterService(kService);
  state_->connection->unregisterObject(kPath);
  state_->connection.reset();
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-sni-watcher"));
}

QStringList FakeStatusNotifierWatcher::items() const { return state_->items; }

}  // namespace kelv::test
