#include "fake_notification_server.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QTest>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kelv::test {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kConnectionName = QStringLiteral("fake-notifications");

}  // namespace

// The object exported on the bus; its slots are the server's methods.
class FakeNotificationsObject : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  explicit FakeNotificationsObject(FakeNotificationServer::State* state) : state_(state) {}

 public slots:
  uint Notify(const QString& app, uint replacesId, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints,
              int expireTimeout);
  void CloseNotification(uint id);
  QStringList GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("persistence")};
  }
  QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
    vendor = QStringLiteral("Kelvora tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake-notifications");
  }

 private:
  FakeNotificationServer::State* state_;
};

struct FakeNotificationServer::State {
  std::optional<QDBusConnection> connection;
  FakeNotificationsObject object{this};
  bool registered = false;
  std::vector<Notification> received;
  std::vector<uint> closed;
  std::vector<uint> open;
  uint lastId = 0;

  void emitSignal(const QString& name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, name);
    signal.setArguments(arguments);
    connection->send(signal);
  }

  void forget(uint id) { open.erase(std::remove(open.begin(), open.end(), id), open.end()); }
};

uint FakeNotificationsObject::Notify(const QString& app, uint replacesId, const QString& icon,
                                     const QString& summary, const QString& body,
                                     const QStringList& actions, const QVariantMap& hints,
                                     int expireTimeout) {
  // Like real servers: replacing a shown notification keeps its id; replacing one that is gone
  // (or never was) shows a new one.
  const bool replaces = replacesId != 0 && std::find(state_->open.begin(), state_->open.end(),
                                                     replacesId) != state_->open.end();
  const uint id = replaces ? replacesId : ++state_->lastId;
  if (!replaces) state_->open.push_back(id);
  state_->received.push_back(FakeNotificationServer::Notification{
      id, app, replacesId, icon, summary, body, actions, hints, expireTimeout});
  return id;
}

void FakeNotificationsObject::CloseNotification(uint id) {
  state_->closed.push_back(id);
  if (std::find(state_->open.begin(), state_->open.end(), id) == state_->open.end()) return;
  state_->forget(id);
  state_->emitSignal(QStringLiteral("NotificationClosed"), {id, 3u});
}

FakeNotificationServer::FakeNotificationServer() : state_(std::make_unique<State>()) {}

FakeNotificationServer::~FakeNotificationServer() {
  if (!state_->connection) return;
  if (state_->registered) {
    state_->connection->unregisterObject(kPath);
    state_->connection->unregisterService(kService);
    sync();
  }
  state_->connection.reset();
  QDBusConnection::disconnectFromBus(kConnectionName);
}

void FakeNotificationServer::start() {
  const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  if (address.isEmpty()) throw std::runtime_error("no session bus for the notification server");
  state_->connection = QDBusConnection::connectToBus(QString::fromUtf8(address), kConnectionName);
  if (!state_->connection->isConnected())
    throw std::runtime_error("the notification server can't reach the session bus");
  if (!state_->connection->registerObject(kPath, &state_->object, QDBusConnection::ExportAllSlots))
    throw std::runtime_error("the notification server's object can't be registered");
  if (!state_->connection->registerService(kService))
    throw std::runtime_error("org.freedesktop.Notifications is already taken");
  state_->registered = true;
  sync();
}

std::vector<FakeNotificationServer::Notification> FakeNotificationServer::received() const {
  return state_->received;
}

std::vector<uint> FakeNotificationServer::closed() const { return state_->closed; }

std::vector<uint> FakeNotificationServer::open() const { return state_->open; }

bool FakeNotificationServer::waitForCount(std::size_t count, int timeoutMs) const {
  return QTest::qWaitFor([&] { return state_->received.size() >= count; }, timeoutMs);
}

bool FakeNotificationServer::waitForClosedCount(std::size_t count, int timeoutMs) const {
  return QTest::qWaitFor([&] { return state_->closed.size() >= count; }, timeoutMs);
}

void FakeNotificationServer::invokeAction(uint id, const QString& key) {
  state_->emitSignal(QStringLiteral("ActionInvoked"), {id, key});
  sync();
}

void FakeNotificationServer::closeNotification(uint id, uint reason) {
  state_->forget(id);
  state_->emitSignal(QStringLiteral("NotificationClosed"), {id, reason});
  sync();
}

void FakeNotificationServer::sync() const {
  // The bus handles each connection's messages in order, so once a round trip from ours is
  // answered, everything we sent has been routed; a round trip from the application's
  // connection then comes back behind it.
  if (state_->connection) state_->connection->interface()->serviceOwner(kService);
  QDBusConnection::sessionBus().interface()->serviceOwner(kService);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace kelv::test

#include "fake_notification_server.moc"
