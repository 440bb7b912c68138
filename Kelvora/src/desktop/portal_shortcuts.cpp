#include "desktop/portal_shortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

namespace kelv::app {

// One entry of the shortcut lists the portal takes and reports, D-Bus type (sa{sv}).
struct PortalShortcutEntry {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
  argument.beginStructure();
  argument << entry.id << entry.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
  argument.beginStructure();
  argument >> entry.id >> entry.properties;
  argument.endStructure();
  return argument;
}

}  // namespace kelv::app

Q_DECLARE_METATYPE(kelv::app::PortalShortcutEntry)

namespace kelv::app {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString kShortcutId = QStringLiteral("toggle-recording");
// What the desktop lists the shortcut as, in its settings and dialogs.
const QString kShortcutDescription = QStringLiteral("Grabar o detener");

QDBusConnection bus() { return QDBusConnection::sessionBus(); }

QDBusMessage portalCall(const QString& method) {
  return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

// The portal writes object paths into its vardicts sometimes as strings, sometimes as paths.
QString pathIn(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
    return value.value<QDBusObjectPath>().path();
  return value.toString();
}

QVariantMap mapIn(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<QDBusArgument>())
    return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
  return value.toMap();
}

QList<PortalShortcutEntry> entriesIn(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<QDBusArgument>())
    return qdbus_cast<QList<PortalShortcutEntry>>(value.value<QDBusArgument>());
  return value.value<QList<PortalShortcutEntry>>();
}

}  // namespace

PortalShortcuts::PortalShortcuts(QObject* parent) : QObject(parent) {
  qDBusRegisterMetaType<PortalShortcutEntry>();
  qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

PortalShortcuts::~PortalShortcuts() { closeSession(); }

QString PortalShortcuts::triggerOf(const Hotkey& hotkey) {
  QStringList parts;
  if (hotkey.modifiers & Hotkey::kControl) parts << QStringLiteral("CTRL");
  if (hotkey.modifiers & Hotkey::kOption) parts << QStringLiteral("ALT");
  if (hotkey.modifiers & Hotkey::kShift) parts << QStringLiteral("SHIFT");
  if (hotkey.modifiers & Hotkey::kCommand) parts << QStringLiteral("LOGO");
  // The key by its keysym name, which for a letter is the lower-case letter.
  const std::optional<char> letter = Hotkey::letterOf(hotkey.keyCode);
  parts << (letter ? QString(QChar::fromLatin1(*letter).toLower()) : QStringLiteral("?"));
  return parts.join(QLatin1Char('+'));
}

void PortalShortcuts::probe() {
  if (state_ != State::unknown) return;
  if (!bus().isConnected()) {
    state_ = State::missing;
    emit changed();
    return;
  }
  state_ = State::probing;
  QDBusMessage call = QDBusMessage::createMethodCall(
      kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  call << kInterface << QStringLiteral("version");
  auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *done;
    // A portal without a GlobalShortcuts backend has no such property.
    if (reply.isError()) {
      state_ = State::missing;
      emit changed();
      return;
    }
    version_ = reply.value().variant().toUInt();
    state_ = State::offered;
    bus().connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    bus().connect(kService, kPath, kInterface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(onShortcutsChanged(QDBusMessage)));
    emit changed();
    if (wanted_) bind(wanted_);
  });
}

void PortalShortcuts::bind(const std::optional<Hotkey>& hotkey) {
  wanted_ = hotkey;
  if (state_ == State::unknown) probe();
  if (state_ != State::offered) return;
  const bool sessionLives = !session_.isEmpty() || !pendingRequest_.isEmpty();
  if (sessionLives && bound_ == wanted_) return;
  closeSession();
  bound_ = wanted_;
  setTrigger(std::nullopt);
  if (wanted_) createSession();
}

void PortalShortcuts::configure() {
  if (state_ != State::offered || version_ < 2 || session_.isEmpty()) return;
  QDBusMessage call = portalCall(QStringLiteral("ConfigureShortcuts"));
  call << QVariant::fromValue(QDBusObjectPath(session_)) << QString() << QVariantMap();
  // The dialog is the desktop's; what the user picks there comes back as ShortcutsChanged.
  auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

void PortalShortcuts::closeSession() {
  if (!pendingRequest_.isEmpty()) {
    // A session still being made is closed once its answer names it (onResponse).
    if (pendingMethod_ == QLatin1String("CreateSession"))
      abandoned_.insert(pendingRequest_);
    else
      stopListening(pendingRequest_);
  }
  pendingRequest_.clear();
  pendingMethod_.clear();
  if (session_.isEmpty()) return;
  closeOnPortal(session_);
  session_.clear();
}

void PortalShortcuts::createSession() {
  const QString token = nextToken();
  QVariantMap options;
  options.insert(QStringLiteral("handle_token"), token);
  options.insert(QStringLiteral("session_handle_token"), nextToken());
  request(QStringLiteral("CreateSession"), {options}, token);
}

void PortalShortcuts::bindShortcut() {
  if (!bound_) return;
  QVariantMap properties;
  properties.insert(QStringLiteral("description"), kShortcutDescription);
  properties.insert(QStringLiteral("preferred_trigger"), triggerOf(*bound_));
  const QList<PortalShortcutEntry> shortcuts{{kShortcutId, properties}};
  const QString token = nextToken();
  QVariantMap options;
  options.insert(QStringLiteral("handle_token"), token);
  request(QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts),
           QString(), options},
          token);
}

void PortalShortcuts::request(const QString& method, QList<QVariant> arguments,
                              const QString& token) {
  // The portal names the Request after the caller's unique name and the token; listening before
  // calling means a quick answer can't be missed.
  QString sender = bus().baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  const QString expected = QStringLiteral("%1/request/%2/%3").arg(kPath, sender, token);
  pendingRequest_ = expected;
  pendingMethod_ = method;
  listenForResponse(expected);
  QDBusMessage call = portalCall(method);
  call.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, expected](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (pendingRequest_ != expected) return;
            const QDBusPendingReply<QDBusObjectPath> reply = *done;
            if (reply.isError()) {
              pendingRequest_.clear();
              pendingMethod_.clear();
              return;
            }
            // Portals older than the predictable paths answer on a path of their own.
            const QString actual = reply.value().path();
            if (actual == expected) return;
            stopListening(expected);
            pendingRequest_ = actual;
            listenForResponse(actual);
          });
}

void PortalShortcuts::listenForResponse(const QString& path) {
  bus().connect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(QDBusMessage)));
}

void PortalShortcuts::stopListening(const QString& path) {
  bus().disconnect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                   SLOT(onResponse(QDBusMessage)));
}

void PortalShortcuts::closeOnPortal(const QString& session) {
  bus().asyncCall(QDBusMessage::createMethodCall(kService, session, kSessionInterface,
                                                 QStringLiteral("Close")));
}

void PortalShortcuts::onResponse(const QDBusMessage& message) {
  const QString path = message.path();
  stopListening(path);
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() != 2) return;
  const bool granted = arguments[0].toUInt() == 0;
  const QVariantMap results = mapIn(arguments[1]);
  if (abandoned_.remove(path)) {
    // A session made for a hotkey that was replaced before it arrived.
    const QString session = pathIn(results.value(QStringLiteral("session_handle")));
    if (granted && !session.isEmpty()) closeOnPortal(session);
    return;
  }
  if (path != pendingRequest_) return;
  const QString method = pendingMethod_;
  pendingRequest_.clear();
  pendingMethod_.clear();
  if (!granted) return;
  if (method == QLatin1String("CreateSession")) {
    session_ = pathIn(results.value(QStringLiteral("session_handle")));
    if (!session_.isEmpty()) bindShortcut();
  } else if (method == QLatin1String("BindShortcuts")) {
    takeShortcuts(results.value(QStringLiteral("shortcuts")));
  }
}

void PortalShortcuts::onActivated(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2 || session_.isEmpty()) return;
  if (pathIn(arguments[0]) == session_ && arguments[1].toString() == kShortcutId) emit activated();
}

void PortalShortcuts::onShortcutsChanged(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() != 2 || session_.isEmpty() || pathIn(arguments[0]) != session_) return;
  takeShortcuts(arguments[1]);
}

void PortalShortcuts::takeShortcuts(const QVariant& shortcuts) {
  // A list without our shortcut: the desktop bound nothing for it.
  QString trigger;
  for (const PortalShortcutEntry& entry : entriesIn(shortcuts))
    if (entry.id == kShortcutId)
      trigger = entry.properties.value(QStringLiteral("trigger_description")).toString();
  setTrigger(trigger);
}

void PortalShortcuts::setTrigger(const std::optional<QString>& trigger) {
  if (trigger == trigger_) return;
  trigger_ = trigger;
  emit changed();
}

QString PortalShortcuts::nextToken() {
  // The portal keys Requests and sessions by the connection and the token, and every client in
  // this process shares one connection.
  static unsigned counter = 0;
  return QStringLiteral("kelvora%1").arg(++counter);
}

}  // namespace kelv::app
