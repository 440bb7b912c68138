#include "call_prompt.h"

#include <QString>
#include <QStringList>

#include "bundle.h"
#include "notification_center.h"

namespace kelv::app {

namespace {

QString promptIdentifier(const core::CallApp& app) {
  return QStringLiteral("call.") + QString::fromStdString(app.id);
}

}  // namespace

void CallPrompt::registerCategories() {
  std::vector<NotificationCenter::Category> categories;
  for (const core::CallApp& app : core::CallApp::known()) {
    categories.push_back(NotificationCenter::Category{
        promptIdentifier(app),
        {{QString::fromLatin1(kRecordAction), QStringLiteral("Grabar")},
         {QString::fromLatin1(kIgnoreAction),
          QStringLiteral("Don't Ask for ") + QString::fromStdString(app.name)}}});
  }
  NotificationCenter::shared().setCategories(std::move(categories));
}

void CallPrompt::post(const core::CallApp& app) {
  if (!bundleIdentifier()) return;
  NotificationCenter::Request request;
  request.identifier = promptIdentifier(app);
  request.title = QStringLiteral("¿Grabar esta clase?");
  request.body = QString::fromStdString(app.name) + QStringLiteral(" is on a call. Click to record it.");
  request.category = promptIdentifier(app);
  request.userInfo.insert(QStringLiteral("call"), QString::fromStdString(app.id));
  NotificationCenter::shared().add(request);
}

void CallPrompt::withdraw(const std::vector<core::CallApp>& apps) {
  if (!bundleIdentifier() || apps.empty()) return;
  QStringList identifiers;
  for (const core::CallApp& app : apps) identifiers << promptIdentifier(app);
  NotificationCenter::shared().removeDelivered(identifiers);
}

}  // namespace kelv::app
