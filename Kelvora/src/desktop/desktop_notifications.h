// Desktop notifications through the freedesktop notification server
// (org.freedesktop.Notifications on the session bus).
//
// Requests carry an identifier of our own ("call.zoom", a UUID); this keeps the server's
// id for each, so a new request with the same identifier replaces the shown notification and a
// withdrawal closes it. Categories name the action buttons a request shows. A click on the
// notification body arrives as the action "default". Calls to the server are asynchronous; a
// missing server is not an error (nothing is shown). Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace kelv::app {

class DesktopNotifications : public QObject {
  Q_OBJECT

 public:
  struct Action {
    QString identifier;
    QString title;
  };
  struct Category {
    QString identifier;
    std::vector<Action> actions;
  };
  struct Request {
    QString identifier;
    QString title;
    QString body;
    QString category;  // empty: no buttons
    QVariantMap context;
  };

  static DesktopNotifications& instance();

  // Replaces the whole set of categories.
  void setCategories(std::vector<Category> categories);
  // Adds one category, or replaces the one with its identifier.
  void addCategory(Category category);
  // Shows the notification at once, replacing one shown under the same identifier.
  void show(const Request& request);
  // Closes the shown notifications with these identifiers.
  void close(const QStringList& identifiers);

 signals:
  // The user clicked a notification (action "default") or one of its buttons.
  void responded(const QVariantMap& context, const QString& actionKey);

 private:
  explicit DesktopNotifications(QObject* parent = nullptr);
  struct Impl;
  Impl* impl_;
};

}  // namespace kelv::app
