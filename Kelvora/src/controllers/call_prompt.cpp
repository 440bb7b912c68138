#include "controllers/call_prompt.h"

#include <QString>
#include <QStringList>

#include "desktop/desktop_notifications.h"
#include "shell/installed_app.h"

namespace kelv::app {

namespace {

QString promptIdentifier(const core::CallApp& app) {
  return QStringLiteral("call.") + QString::fromStdString(app.id);
}

}  // namespace

void CallPrompt::registerCategories() {
  std::vector<DesktopNotifications::Category> categories;
  for (const core::CallApp& app : core::CallApp::known()) {
    categories.push_back(DesktopNotifications::Category{
        promptIdentifier(app),
        {{QString::fromLatin1(kRecordAction), QStringLiteral("Grabar")},
         {QString::fromLatin1(kIgnoreAction),
          QStringLiteral("Don't Ask for ") + QString::fromStdString(app.name)}}});
  }
  DesktopNotifications::instance().setCategories(std::move(categories));
}

void CallPrompt::post(const core::CallApp& app) {
  if (!installedAppId()) return;
  DesktopNotifications::Request request;
  request.identifier = promptIdentifier(app);
  request.title = QStringLiteral("¿Grabar esta clase?");
  request.body =
      QString::fromStdString(app.name) + QStringLiteral(" is on a call. Click to record it.");
  request.category = promptIdentifier(app);
  request.context.insert(QStringLiteral("call"), QString::fromStdString(app.id));
  DesktopNotifications::instance().show(request);
}

void CallPrompt::withdraw(const std::vector<core::CallApp>& apps) {
  if (!installedAppId() || apps.empty()) return;
  QStringList identifiers;
  for (const core::CallApp& app : apps) identifiers << promptIdentifier(app);
  DesktopNotifications::instance().close(identifiers);
}

}  // namespace kelv::app
