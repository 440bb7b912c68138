// The application's windows: the meetings window "main", the settings window and the
// first-start window "onboarding". Each is made once, from its QML component of the Kelvora
// module, the first time it is asked for; later requests show it again and raise it. Closing a
// window only hides it, so its state (selection, scroll position) survives until the next
// opening.
//
// Every window receives the application model as its `appModel` property, onboarding also its
// `permissions`. Main thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QString>
#include <QVariantMap>

#include <array>
#include <memory>

namespace kelv::app {

class AppModel;
class PermissionsModel;
class SettingsModel;

class WindowShell : public QObject {
  Q_OBJECT

 public:
  enum class Scene { main, settings, onboarding };

  // `engine` must have been prepared with prepareViewEngine and outlive the shell.
  WindowShell(AppModel& model, QQmlEngine& engine, QObject* parent = nullptr);
  ~WindowShell() override;

  // Makes the window on first use, then shows, raises and activates it. Throws
  // std::runtime_error with the QML errors when the component does not load.
  QQuickWindow* open(Scene scene);
  // The window if it has been made, else nullptr.
  QQuickWindow* window(Scene scene) const;

  // What the tray item does when it first appears: points AppActions at this shell's main and
  // settings windows and, as long as the user has not acknowledged the recording consent,
  // opens onboarding. Runs once; later calls do nothing.
  void firstShown();

  // The objectName and QML component of each scene's window.
  static QString identifier(Scene scene);
  static QString component(Scene scene);

 private:
  QVariantMap initialProperties(Scene scene);
  // Made when the settings or onboarding window first needs it, after launch has migrated the
  // stored settings, so its record is the current one.
  SettingsModel& settingsModel();
  PermissionsModel& permissionsModel();
  void openReporting(Scene scene);

  AppModel& model_;
  QQmlEngine& engine_;
  std::array<QPointer<QQuickWindow>, 3> windows_;
  std::unique_ptr<SettingsModel> settingsModel_;
  std::unique_ptr<PermissionsModel> permissionsModel_;
  bool shown_ = false;
};

}  // namespace kelv::app
