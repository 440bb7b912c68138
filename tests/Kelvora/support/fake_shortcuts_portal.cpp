#include "fake_shortcuts_portal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTest>
#include <QVariantMap>

#include <atomic>
#include <optional>
#include <stdexcept>

namespace kelv::test {

// One entry of a shortcut list on the wire, (sa{sv}).
struct FakePortalShortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const FakePortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FakePortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace kelv::test

Q_DECLARE_METATYPE(kelv::test::FakePortalShortcut)

namespace kelv::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

QString nextConnectionName() {
  static std::atomic<int> counter{0};
  return QStringLiteral("fake-shortcuts-portal-%1").arg(++counter);
}

// The caller's unique name as the portal writes it into object paths: ":1.42" → "1_42".
QString senderElement(const QDBusMessage& message) {
  QString sender = message.service().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return sender;
}

QString stringOption(const QVariant& options, const QString& key) {
  return qdbus_cast<QVariantMap>(options).value(key).toString();
}

}  // namespace

class FakePortalObject : public QDBusVirtualObject {
 public:
  explicit FakePortalObject(FakeShortcutsPortal::State* state) : state_(state) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  FakeShortcutsPortal::State* state_;
};

struct FakeShortcutsPortal::State {
  QString connectionName = nextConnectionName();
  unsigned version = 2;
  FakePortalObject object{this};
  QString triggerDescription = QStringLiteral("Ctrl+Alt+Super+R");
  std::vector<QString> sessions;
  std::vector<QString> closed;
  std::vector<QString> configured;
  std::vector<Bind> binds;

  QDBusConnection connection() const { return QDBusConnection(connectionName); }

  QList<FakePortalShortcut> reported(const QString& id) const {
    QVariantMap properties;
    properties.insert(QStringLiteral("description"), QStringLiteral("Grabar o detener"));
    properties.insert(QStringLiteral("trigger_description"), triggerDescription);
    return {{id, properties}};
  }

  // Answers a method through its Request object: first the handle, then the Response signal,
  // sent to the caller only, as the portal does.
  void respond(const QDBusMessage& call, const QString& token, const QVariantMap& results) {
    const QString request =
        QStringLiteral("%1/request/%2/%3").arg(kPath, senderElement(call), token);
    connection().send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QDBusMessage response = QDBusMessage::createTargetedSignal(
        call.service(), request, QStringLiteral("org.freedesktop.portal.Request"),
        QStringLiteral("Response"));
    response << 0u << results;
    connection().send(response);
  }
};

bool FakePortalObject::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
  const QString member = message.member();
  const QList<QVariant> arguments = message.arguments();
  auto fail = [&](const char* name) {
    state_->connection().send(message.createErrorReply(QString::fromLatin1(name), member));
    return true;
  };

  if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties")) {
    if (member != QLatin1String("Get") || arguments.size() != 2 ||
        arguments[0].toString() != kInterface ||
        arguments[1].toString() != QLatin1String("version") || state_->version == 0)
      return fail("org.freedesktop.DBus.Error.UnknownProperty");
    state_->connection().send(
        message.createReply(QVariant::fromValue(QDBusVariant(state_->version))));
    return true;
  }
  if (message.interface() == QLatin1String("org.freedesktop.portal.Session") &&
      member == QLatin1String("Close")) {
    state_->closed.push_back(message.path());
    state_->connection().send(message.createReply());
    return true;
  }
  if (message.interface() != kInterface || message.path() != kPath || state_->version == 0)
    return fail("org.freedesktop.DBus.Error.UnknownMethod");

  if (member == QLatin1String("CreateSession") && arguments.size() == 1) {
    const QString session =
        QStringLiteral("%1/session/%2/%3")
            .arg(kPath, senderElement(message),
                 stringOption(arguments[0], QStringLiteral("session_handle_token")));
    state_->sessions.push_back(session);
    QVariantMap results;
    results.insert(QStringLiteral("session_handle"), session);
    state_->respond(message, stringOption(arguments[0], QStringLiteral("handle_token")), results);
    return true;
  }
  if (member == QLatin1String("BindShortcuts") && arguments.size() == 4) {
    const QString session = arguments[0].value<QDBusObjectPath>().path();
    QList<FakePortalShortcut> reported;
    for (const FakePortalShortcut& shortcut :
         qdbus_cast<QList<FakePortalShortcut>>(arguments[1].value<QDBusArgument>())) {
      state_->binds.push_back(
          {session, shortcut.id,
           shortcut.properties.value(QStringLiteral("description")).toString(),
           shortcut.properties.value(QStringLiteral("preferred_trigger")).toString()});
      reported << state_->reported(shortcut.id);
    }
    QVariantMap results;
    results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(reported));
    state_->respond(message, stringOption(arguments[3], QStringLiteral("handle_token")), results);
    return true;
  }
  if (member == QLatin1String("ConfigureShortcuts") && arguments.size() == 3 &&
      state_->version >= 2) {
    state_->configured.push_back(arguments[0].value<QDBusObjectPath>().path());
    state_->connection().send(message.createReply());
    return true;
  }
  return fail("org.freedesktop.DBus.Error.UnknownMethod");
}

FakeShortcutsPortal::FakeShortcutsPortal(unsigned version) : state_(std::make_unique<State>()) {
  qDBusRegisterMetaType<FakePortalShortcut>();
  qDBusRegisterMetaType<QList<FakePortalShortcut>>();
  state_->version = version;
  QDBusConnection bus = QDBusConnection::connectToBus(
      qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), state_->connectionName);
  if (!bus.isConnected()) {
    QDBusConnection::disconnectFromBus(state_->connectionName);
    throw std::runtime_error("the private session bus can't be reached");
  }
  if (!bus.registerVirtualObject(kPath, &state_->object, QDBusConnection::SubPath) ||
      !bus.registerService(kService)) {
    QDBusConnection::disconnectFromBus(state_->connectionName);
    throw std::runtime_error("org.freedesktop.portal.Desktop can't be had");
  }
  sync();
}

FakeShortcutsPortal::~FakeShortcutsPortal() {
  QDBusConnection bus = state_->connection();
  bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
  bus.unregisterService(kService);
  sync();
  QDBusConnection::disconnectFromBus(state_->connectionName);
}

void FakeShortcutsPortal::setTriggerDescription(const QString& description) {
  state_->triggerDescription = description;
}

std::vector<QString> FakeShortcutsPortal::sessions() const { return state_->sessions; }
std::vector<QString> FakeShortcutsPortal::closed() const { return state_->closed; }
std::vector<QString> FakeShortcutsPortal::configured() const { return state_->configured; }
std::vector<FakeShortcutsPortal::Bind> FakeShortcutsPortal::binds() const { return state_->binds; }

void FakeShortcutsPortal::activate(const QString& session, const QString& id) {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
  signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234)
         << QVariantMap();
  state_->connection().send(signal);
  sync();
}

void FakeShortcutsPortal::changeShortcuts(const QString& session, const QString& description) {
  state_->triggerDescription = description;
  QDBusMessage signal =
      QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ShortcutsChanged"));
  signal << QVariant::fromValue(QDBusObjectPath(session))
         << QVariant::fromValue(state_->reported(QStringLiteral("toggle-recording")));
  state_->connection().send(signal);
  sync();
}

bool FakeShortcutsPortal::waitForBinds(std::size_t count, int timeoutMs) const {
  return QTest::qWaitFor([&] { return state_->binds.size() >= count; }, timeoutMs);
}

bool FakeShortcutsPortal::waitForClosed(std::size_t count, int timeoutMs) const {
  return QTest::qWaitFor([&] { return state_->closed.size() >= count; }, timeoutMs);
}

void FakeShortcutsPortal::sync() const {
  // The bus handles each connection's messages in order: once a round trip from ours is
  // answered, what we sent has been routed; one from the application's comes back behind it.
  state_->connection().interface()->serviceOwner(kService);
  QDBusConnection::sessionBus().interface()->serviceOwner(kService);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace kelv::test
