#include "desktop/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QHash>

#include <optional>
#include <utility>

#include "shell/installed_app.h"

namespace kelv::app {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kApplicationName = QStringLiteral("Tizara");
// Servers only make the body clickable when the action "default" is offered; most don't show
// its label.
const QString kDefaultAction = QStringLiteral("default");
const QString kDefaultActionLabel = QStringLiteral("Open");

}  // namespace

// What is known about one of its identifiers. Notify is asynchronous, so the server's
// id is unknown until the reply arrives; a replacement or a withdrawal asked for meanwhile waits
// for it, or it would show a second notification or close nothing.
struct Shown {
  uint serverId = 0;  // 0: not known (yet)
  bool inFlight = false;
  std::optional<DesktopNotifications::Request> queued;
  bool closeWhenKnown = false;
};

struct Delivered {
  QString identifier;
  QVariantMap context;
};

// The state and its link to the server (a QObject of its own for the D-Bus signal
// slots).
class NotificationLink : public QObject {
  Q_OBJECT

 public:
  using Request = DesktopNotifications::Request;
  using Category = DesktopNotifications::Category;
  using Action = DesktopNotifications::Action;

  explicit NotificationLink(DesktopNotifications* owner)
      : owner(owner),
        bus(QDBusConnection::sessionBus()),
        serverWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!bus.isConnected()) return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
    // A restarted (or different) server knows nothing of the old ids; replacing by one of them
    // could replace an unrelated notification. A server appearing where there was none has
    // nothing to forget: whatever we sent went to it (and the news of its arrival may come
    // after its first replies).
    connect(&serverWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString&) {
              if (!oldOwner.isEmpty()) forgetAll();
            });
  }

  void add(const Request& request) {
    Shown& shown = byIdentifier[request.identifier];
    if (shown.inFlight) {
      shown.queued = request;
      shown.closeWhenKnown = false;
      return;
    }
    send(request, shown);
  }

  void remove(const QString& identifier) {
    auto it = byIdentifier.find(identifier);
    if (it == byIdentifier.end()) return;
    if (it->inFlight) {
      it->queued.reset();
      it->closeWhenKnown = true;
      return;
    }
    close(it->serverId);
    byIdentifier.erase(it);
  }

  QStringList actionsFor(const QString& category) const {
    QStringList actions{kDefaultAction, kDefaultActionLabel};
    if (category.isEmpty()) return actions;
    for (const Category& each : categories) {
      if (each.identifier != category) continue;
      for (const Action& action : each.actions) actions << action.identifier << action.title;
      break;
    }
    return actions;
  }

  void send(const Request& request, Shown& shown) {
    QVariantMap hints{{QStringLiteral("suppress-sound"), true}};
    if (const auto bundle = installedAppId())
      hints.insert(QStringLiteral("desktop-entry"), QString::fromStdString(*bundle));
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    message << kApplicationName << shown.serverId << QString() << request.title << request.body
            << actionsFor(request.category) << hints << int(-1);
    shown.inFlight = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier = request.identifier, context = request.context,
             sentIn = epoch](QDBusPendingCallWatcher* call) {
              call->deleteLater();
              if (sentIn != epoch) return;  // answered by a server we have forgotten
              QDBusPendingReply<uint> reply = *call;
              replied(identifier, context,
                      reply.isError() ? std::nullopt : std::optional<uint>(reply.value()));
            });
  }

  void replied(const QString& identifier, const QVariantMap& context,
               std::optional<uint> serverId) {
    auto it = byIdentifier.find(identifier);
    if (it == byIdentifier.end()) return;
    it->inFlight = false;
    // On failure (no server, most often) the old notification, if any, is still what's shown.
    if (serverId) {
      if (it->serverId != 0 && it->serverId != *serverId) byServerId.remove(it->serverId);
      it->serverId = *serverId;
      byServerId.insert(*serverId, Delivered{identifier, context});
      answerEarlyActions(*serverId, context);
    }
    if (it->queued) {
      const Request next = *std::exchange(it->queued, std::nullopt);
      send(next, *it);
    } else if (it->closeWhenKnown) {
      close(it->serverId);
      byIdentifier.erase(it);
    } else if (it->serverId == 0) {
      byIdentifier.erase(it);
    }
  }

  bool anyInFlight() const {
    for (const Shown& shown : byIdentifier)
      if (shown.inFlight) return true;
    return false;
  }

  void answerEarlyActions(uint serverId, const QVariantMap& context) {
    QList<QPair<uint, QString>> waiting = std::exchange(earlyActions, {});
    for (const auto& [id, actionKey] : waiting) {
      if (id == serverId)
        emit owner->responded(context, actionKey);
      else if (anyInFlight())
        earlyActions.append({id, actionKey});
    }
  }

  void close(uint serverId) {
    if (serverId == 0) return;
    byServerId.remove(serverId);
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                          QStringLiteral("CloseNotification"));
    message << serverId;
    // Nothing to learn from the reply; an unknown id or a vanished server are both fine.
    bus.asyncCall(message);
  }

  void forgetAll() {
    ++epoch;
    earlyActions.clear();
    byIdentifier.clear();
    byServerId.clear();
  }

 public slots:
  void actionInvoked(uint serverId, const QString& actionKey) {
    const auto it = byServerId.constFind(serverId);
    if (it != byServerId.constEnd()) {
      emit owner->responded(it->context, actionKey);
      return;
    }
    // The signal may overtake the reply that tells us the id; keep it until the replies are in.
    // Otherwise it is another application's notification.
    if (anyInFlight()) earlyActions.append({serverId, actionKey});
  }

  void notificationClosed(uint serverId, uint /*reason*/) {
    const auto delivered = byServerId.constFind(serverId);
    if (delivered == byServerId.constEnd()) return;
    const QString identifier = delivered->identifier;
    byServerId.erase(delivered);
    auto it = byIdentifier.find(identifier);
    if (it == byIdentifier.end() || it->serverId != serverId) return;
    it->serverId = 0;
    // A replacement on its way keeps the entry; its reply brings the new id.
    if (!it->inFlight) byIdentifier.erase(it);
  }

 public:
  DesktopNotifications* owner;
  QDBusConnection bus;
  QDBusServiceWatcher serverWatcher;
  std::vector<Category> categories;
  QHash<QString, Shown> byIdentifier;
  QHash<uint, Delivered> byServerId;
  QList<QPair<uint, QString>> earlyActions;
  quint64 epoch = 0;
};

struct DesktopNotifications::Impl : NotificationLink {
  using NotificationLink::NotificationLink;
};

DesktopNotifications& DesktopNotifications::instance() {
  // Never destroyed: it talks to the bus until the process ends.
  static DesktopNotifications* notifications = new DesktopNotifications();
  return *notifications;
}

DesktopNotifications::DesktopNotifications(QObject* parent)
    : QObject(parent), impl_(new Impl(this)) {
  impl_->setParent(this);
}

void DesktopNotifications::setCategories(std::vector<Category> categories) {
  impl_->categories = std::move(categories);
}

void DesktopNotifications::addCategory(Category category) {
  std::erase_if(impl_->categories,
                [&](const Category& each) { return each.identifier == category.identifier; });
  impl_->categories.push_back(std::move(category));
}

void DesktopNotifications::show(const Request& request) { impl_->add(request); }

void DesktopNotifications::close(const QStringList& identifiers) {
  for (const QString& identifier : identifiers) impl_->remove(identifier);
}

}  // namespace kelv::app

#include "desktop_notifications.moc"
