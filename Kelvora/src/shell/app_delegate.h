// The frame around the model: what happens before and after launching, the kelvora: URLs,
// answers to notifications and the end of the process. Main thread only.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace kelv::app {

class AppModel;

// Application-wide actions that do nothing until a window sets them.
struct AppActions {
  static std::function<void()>& openMainWindow();
  static std::function<void()>& openSettings();
};

class AppDelegate : public QObject {
  Q_OBJECT

 public:
  explicit AppDelegate(AppModel& model, QObject* parent = nullptr);

  // Ignores SIGPIPE for the whole process, connects the desktop notifications and its call
  // prompt categories when installed, and launches the model.
  void launch();
  // Follows windows for the Dock rule, registers the saved hotkey and makes the updater.
  void integrateWithDesktop();
  // The application was started again while running (without URLs): opens the main window.
  void reopen();
  // "kelvora://start" starts a recording, "kelvora://stop" stops it; anything else is passed
  // over. Arguments that aren't kelvora: URLs are ignored.
  void openURLs(const QStringList& urls);
  // The process is ending: the model ends its child and recording.
  void shutDown();

 public slots:
  // A click on a notification ("default") or one of its buttons.
  void respond(const QVariantMap& context, const QString& actionKey);

 private:
  AppModel& model_;
};

}  // namespace kelv::app
