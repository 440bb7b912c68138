#include "shell/app_delegate.h"

#include <QUrl>

#include <csignal>

#include "controllers/app_model.h"
#include "controllers/call_prompt.h"
#include "desktop/desktop_notifications.h"
#include "desktop/desktop_services.h"
#include "desktop/dock.h"
#include "desktop/hotkey.h"
#include "desktop/hotkey_monitor.h"
#include "desktop/notifier.h"
#include "desktop/updater.h"
#include "shell/installed_app.h"

namespace kelv::app {

std::function<void()>& AppActions::openMainWindow() {
  static std::function<void()> action = [] {};
  return action;
}

std::function<void()>& AppActions::openSettings() {
  static std::function<void()> action = [] {};
  return action;
}

AppDelegate::AppDelegate(AppModel& model, QObject* parent) : QObject(parent), model_(model) {}

void AppDelegate::launch() {
  // Writing the secrets to a processing child that already died must not end the application.
  std::signal(SIGPIPE, SIG_IGN);
  if (installedAppId()) {
    connect(&DesktopNotifications::instance(), &DesktopNotifications::responded, this,
            &AppDelegate::respond);
    CallPrompt::registerCategories();
    Notifier::registerCategories();
  }
  model_.launch();
}

void AppDelegate::integrateWithDesktop() {
  Dock::follow();
  connect(&HotkeyMonitor::shared(), &HotkeyMonitor::pressed, &model_, &AppModel::toggle,
          Qt::UniqueConnection);
  HotkeyMonitor::shared().registerHotkey(Hotkey::saved(model_.settings().defaults()));
  Updater::shared();
}

void AppDelegate::reopen() { AppActions::openMainWindow()(); }

void AppDelegate::openURLs(const QStringList& urls) {
  for (const QString& argument : urls) {
    const QUrl url(argument);
    if (url.scheme() != "kelvora") continue;
    if (url.host() == "start")
      model_.start();
    else if (url.host() == "stop")
      model_.stop();
  }
}

void AppDelegate::shutDown() { model_.terminate(); }

void AppDelegate::respond(const QVariantMap& context, const QString& actionKey) {
  const QVariant call = context.value("call");
  if (call.typeId() == QMetaType::QString) {
    if (const auto app = core::CallApp::named(call.toString().toStdString())) {
      if (actionKey == CallPrompt::kIgnoreAction)
        model_.ignore(*app);
      else
        model_.record(*app);
      return;
    }
  }
  // A file made for the user is shown where it is, by its button or a click alike.
  const QVariant file = context.value("reveal");
  if (file.typeId() == QMetaType::QString) {
    DesktopServices::reveal({file.toString().toStdString()});
    return;
  }
  const QVariant meeting = context.value("meeting");
  if (meeting.typeId() == QMetaType::QString) model_.select(meeting.toString());
  AppActions::openMainWindow()();
}

}  // namespace kelv::app
