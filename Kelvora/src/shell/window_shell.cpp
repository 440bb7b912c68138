#include "shell/window_shell.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "controllers/app_model.h"
#include "shell/app_delegate.h"
#include "shell/view_engine.h"
#include "view_models/permissions_model.h"
#include "view_models/settings_model.h"

namespace kelv::app {

namespace {

size_t slot(WindowShell::Scene scene) { return static_cast<size_t>(scene); }

}  // namespace

WindowShell::WindowShell(AppModel& model, QQmlEngine& engine, QObject* parent)
    : QObject(parent), model_(model), engine_(engine) {}

WindowShell::~WindowShell() {
  // The actions point at this shell; nothing may call them once it is gone.
  if (shown_) {
    AppActions::openMainWindow() = [] {};
    AppActions::openSettings() = [] {};
  }
  for (QPointer<QQuickWindow>& window : windows_) delete window.data();
}

QString WindowShell::identifier(Scene scene) {
  switch (scene) {
    case Scene::main:
      return QStringLiteral("main");
    case Scene::settings:
      return QStringLiteral("settings");
    case Scene::onboarding:
      return QStringLiteral("onboarding");
  }
  return {};
}

QString WindowShell::component(Scene scene) {
  switch (scene) {
    case Scene::main:
      return QStringLiteral("MeetingsWindow");
    case Scene::settings:
      return QStringLiteral("SettingsWindow");
    case Scene::onboarding:
      return QStringLiteral("OnboardingWindow");
  }
  return {};
}

SettingsModel& WindowShell::settingsModel() {
  if (!settingsModel_) {
    settingsModel_ = std::make_unique<SettingsModel>(model_.settings());
    model_.setSettingsModel(settingsModel_.get());
  }
  return *settingsModel_;
}

PermissionsModel& WindowShell::permissionsModel() {
  if (!permissionsModel_) permissionsModel_ = std::make_unique<PermissionsModel>(model_.settings());
  return *permissionsModel_;
}

QVariantMap WindowShell::initialProperties(Scene scene) {
  QVariantMap properties{
      {QStringLiteral("appModel"), QVariant::fromValue(static_cast<QObject*>(&model_))}};
  if (scene != Scene::main)
    properties.insert(QStringLiteral("settings"),
                      QVariant::fromValue(static_cast<QObject*>(&settingsModel())));
  if (scene == Scene::onboarding)
    properties.insert(QStringLiteral("permissions"),
                      QVariant::fromValue(static_cast<QObject*>(&permissionsModel())));
  return properties;
}

QQuickWindow* WindowShell::window(Scene scene) const { return windows_[slot(scene)].data(); }

QQuickWindow* WindowShell::open(Scene scene) {
  QPointer<QQuickWindow>& window = windows_[slot(scene)];
  if (window.isNull()) {
    window = makeWindow(engine_, component(scene), initialProperties(scene), identifier(scene),
                        "The window " + identifier(scene).toStdString() + " can't be shown")
                 .release();
  }
  if (window->windowState() & Qt::WindowMinimized)
    window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->requestActivate();
  return window;
}

void WindowShell::openReporting(Scene scene) {
  // The actions run from notifications, the tray and other launches: a window that can't be
  // made is reported, never thrown into the event loop.
  try {
    open(scene);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelvora: %s\n", error.what());
  }
}

void WindowShell::firstShown() {
  if (shown_) return;
  shown_ = true;
  // Linux has no activation policy to switch: showing a window is all "regular" means here.
  AppActions::openMainWindow() = [this] { openReporting(Scene::main); };
  AppActions::openSettings() = [this] { openReporting(Scene::settings); };
  if (!model_.settings().consentAcknowledged()) openReporting(Scene::onboarding);
}

}  // namespace kelv::app
