// Each kind of control, pressed as a screen reader presses it (the action interface AT-SPI
// calls), does in the real windows what a click does: buttons, check boxes, tabs, list rows and
// menu entries.
#include <QAccessible>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "accessibility_audit.h"
#include "app_model_fixture.h"
#include "sample_library.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"
#include "view_models/meetings_window_model.h"
#include "view_models/menu_model.h"
#include "view_models/settings_model.h"

namespace kelv::app {
namespace {

using Scene = WindowShell::Scene;
using kelv::test::accessibleElement;
using kelv::test::accessibleTree;
using kelv::test::doAccessibleAction;

class AccessibleActionsTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    writeSettings();
    kelv::test::SampleLibrary(core::MeetingStore(temp / "meetings"), temp / "notes")
        .addTypicalTerm(std::chrono::system_clock::now());
    prepareViewEngine(engine);
    model = makeModel(script("exit 0"));
    shell = std::make_unique<WindowShell>(*model, engine);
    menu = std::make_unique<MenuModel>(*model);
    popover = makeWindow(engine, QStringLiteral("MenuWindow"),
                         {{QStringLiteral("menu"), QVariant::fromValue(menu.get())},
                          {QStringLiteral("standalone"), true}},
                         QStringLiteral("popover"), "The menu can't be shown");
  }
  void TearDown() override {
    popover.reset();
    shell.reset();
    AppModelTest::TearDown();
  }

  QQuickItem* item(Scene scene, const char* name) {
    QQuickWindow* window = shell->window(scene);
    return window ? window->findChild<QQuickItem*>(QLatin1String(name)) : nullptr;
  }
  bool shown(Scene scene) {
    QQuickWindow* window = shell->window(scene);
    return window && window->isVisible();
  }
  MeetingsWindowModel* meetings() {
    QQuickWindow* window = shell->window(Scene::main);
    return window ? window->findChild<MeetingsWindowModel*>() : nullptr;
  }
  QString idOf(const std::string& title) {
    for (const auto& entry : model->store().entries(temp / "notes"))
      if (entry.title == title) return QString::fromStdString(entry.id);
    return {};
  }

  QQmlEngine engine;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<WindowShell> shell;
  std::unique_ptr<MenuModel> menu;
  std::unique_ptr<QQuickWindow> popover;
};

TEST_F(AccessibleActionsTest, EachControlDoesWhatAClickDoes) {
  QAccessible::setActive(true);
  // The first start: onboarding, then the pop-over as it appears without a tray.
  shell->firstShown();
  ASSERT_TRUE(shown(Scene::onboarding));
  popover->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.get()));

  const QString press = QAccessibleActionInterface::pressAction();
  const QString toggle = QAccessibleActionInterface::toggleAction();
  const QString barroco = QStringLiteral("Historia del arte: el Barroco");
  const struct {
    std::function<QQuickWindow*()> window;
    QAccessible::Role role;
    QString name;
    QString action;
    std::function<bool()> effect;
  } steps[] = {
      {[&] { return shell->window(Scene::onboarding); }, QAccessible::CheckBox,
       QStringLiteral("Avisaré al profesorado cuando grabe, como exige la ley y la normativa de "
                      "mi universidad."),
       toggle,
       [&] { return item(Scene::onboarding, "onboardingRoot")->property("consent").toBool(); }},
      {[&] { return shell->window(Scene::onboarding); }, QAccessible::Button,
       QStringLiteral("Listo"), press,
       [&] { return !shown(Scene::onboarding) && model->settings().consentAcknowledged(); }},
      {[&] { return popover.get(); }, QAccessible::Button, QStringLiteral("Grabar clase"), press,
       [&] { return model->isRecording(); }},
      {[&] { return popover.get(); }, QAccessible::Button, QStringLiteral("Detener grabación"),
       press, [&] { return !model->isRecording(); }},
      {[&] { return popover.get(); }, QAccessible::Button, QStringLiteral("Ajustes…"), press,
       [&] { return shown(Scene::settings); }},
      {[&] { return shell->window(Scene::settings); }, QAccessible::PageTab, QStringLiteral("AI"),
       press,
       [&] { return item(Scene::settings, "settingsRoot")->property("currentTab").toInt() == 1; }},
      {[&] { return shell->window(Scene::settings); }, QAccessible::PageTab,
       QStringLiteral("General"), press,
       [&] { return item(Scene::settings, "settingsRoot")->property("currentTab").toInt() == 0; }},
      {[&] { return shell->window(Scene::settings); }, QAccessible::CheckBox,
       QStringLiteral("Preguntar si grabar al empezar una videollamada"), toggle,
       [&] { return !model->settings().load().askToRecordCalls; }},
      {[&] { return popover.get(); }, QAccessible::Button, QStringLiteral("Abrir Tizara"), press,
       [&] { return shown(Scene::main); }},
      {[&] { return shell->window(Scene::main); }, QAccessible::ListItem, barroco, press,
       [&] { return meetings() && meetings()->selection() == idOf(barroco.toStdString()); }},
      {[&] { return shell->window(Scene::main); }, QAccessible::Button,
       QStringLiteral("Más acciones"), press,
       [&] {
         // A pop-up, not an item of the window's tree.
         QObject* actions = shell->window(Scene::main)->findChild<QObject*>("detailActionMenu");
         return actions && actions->property("opened").toBool();
       }},
      {[&] { return shell->window(Scene::main); }, QAccessible::MenuItem,
       QStringLiteral("Renombrar…"), press,
       [&] { return meetings()->renaming() == idOf(barroco.toStdString()); }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name.toStdString());
    QQuickWindow* window = step.window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QAccessibleInterface* element = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return (element = accessibleElement(*window, step.role, step.name)) != nullptr;
    })) << accessibleTree(*window);
    ASSERT_TRUE(doAccessibleAction(element, step.action));
    EXPECT_TRUE(QTest::qWaitFor(step.effect, kChildTimeout));
  }
}

}  // namespace
}  // namespace kelv::app
