// The application's windows as the shell makes them from the real QML module: each made once
// and raised on every later request, the application-wide actions, the first start that opens
// onboarding until the recording consent is acknowledged, and the settings those windows edit.
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "app_model_fixture.h"
#include "shell/app_delegate.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"
#include "view_models/settings_model.h"

namespace kelv::app {
namespace {

using Scene = WindowShell::Scene;

class WindowShellTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    prepareViewEngine(engine);
    model = makeModel();
  }
  void TearDown() override {
    shell.reset();
    AppModelTest::TearDown();
  }

  WindowShell& makeShell() {
    shell = std::make_unique<WindowShell>(*model, engine);
    return *shell;
  }

  QQmlEngine engine;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<WindowShell> shell;
};

TEST_F(WindowShellTest, EachWindowIsMadeOnceWithItsTitleAndSize) {
  const struct {
    Scene scene;
    const char* identifier;
    const char* title;
    int width;
    int height;  // 0: follows the content
  } windows[] = {{Scene::main, "main", "Tizara", 1100, 760},
                 {Scene::settings, "settings", "Ajustes de Tizara", 540, 480},
                 {Scene::onboarding, "onboarding", "Bienvenida a Tizara", 520, 0}};
  WindowShell& windowShell = makeShell();
  for (const auto& expected : windows) {
    SCOPED_TRACE(expected.identifier);
    EXPECT_EQ(windowShell.window(expected.scene), nullptr);
    QQuickWindow* first = windowShell.open(expected.scene);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(first));
    EXPECT_EQ(first->objectName(), expected.identifier);
    EXPECT_EQ(first->title(), QString::fromUtf8(expected.title));
    EXPECT_EQ(first->width(), expected.width);
    if (expected.height > 0) {
      EXPECT_EQ(first->height(), expected.height);
    }
    EXPECT_EQ(first->property("appModel").value<QObject*>(), model.get());

    // Closed and asked for again: the same window, shown again.
    first->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(windowShell.open(expected.scene), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(windowShell.window(expected.scene), first);
  }
}

TEST_F(WindowShellTest, TheActionsOpenTheWindowsOnceTheShellHasAppeared) {
  model->settings().setConsentAcknowledged(true);
  WindowShell& windowShell = makeShell();
  // Before the tray item appears the actions do nothing.
  AppActions::openMainWindow()();
  EXPECT_EQ(windowShell.window(Scene::main), nullptr);

  windowShell.firstShown();
  AppActions::openMainWindow()();
  ASSERT_NE(windowShell.window(Scene::main), nullptr);
  EXPECT_TRUE(windowShell.window(Scene::main)->isVisible());
  AppActions::openSettings()();
  ASSERT_NE(windowShell.window(Scene::settings), nullptr);
  EXPECT_TRUE(windowShell.window(Scene::settings)->isVisible());

  // Gone with the shell: the actions do nothing again instead of reaching a dead shell.
  shell.reset();
  AppActions::openMainWindow()();
  AppActions::openSettings()();
}

TEST_F(WindowShellTest, TheFirstStartOpensOnboardingUntilConsentIsAcknowledged) {
  for (const bool acknowledged : {false, true}) {
    SCOPED_TRACE(acknowledged ? "acknowledged" : "not acknowledged");
    model->settings().setConsentAcknowledged(acknowledged);
    WindowShell& windowShell = makeShell();
    windowShell.firstShown();
    QQuickWindow* onboarding = windowShell.window(Scene::onboarding);
    EXPECT_EQ(onboarding != nullptr && onboarding->isVisible(), !acknowledged);
    EXPECT_EQ(windowShell.window(Scene::main), nullptr);
    // Only the first appearance counts.
    if (onboarding != nullptr) onboarding->close();
    windowShell.firstShown();
    EXPECT_FALSE(onboarding != nullptr && onboarding->isVisible());
  }
}

TEST_F(WindowShellTest, ASecondLaunchWithoutAddressesOpensTheMainWindow) {
  model->settings().setConsentAcknowledged(true);
  WindowShell& windowShell = makeShell();
  windowShell.firstShown();
  AppDelegate delegate(*model);
  delegate.reopen();
  ASSERT_NE(windowShell.window(Scene::main), nullptr);
  EXPECT_TRUE(windowShell.window(Scene::main)->isVisible());
}

// Clicks the middle of the item named `name` in `window`.
bool click(QQuickWindow* window, const char* name) {
  auto* item = window->findChild<QQuickItem*>(QString::fromLatin1(name));
  if (item == nullptr || !item->isVisible() || !item->isEnabled()) return false;
  const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
  QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
  return true;
}

TEST_F(WindowShellTest, SettingsAndOnboardingEditTheOneRecordTheCallPromptsAlsoChange) {
  WindowShell& windowShell = makeShell();
  QQuickWindow* settings = windowShell.open(Scene::settings);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
  auto* edited = qobject_cast<SettingsModel*>(settings->property("settings").value<QObject*>());
  ASSERT_NE(edited, nullptr);
  auto* view = settings->findChild<QQuickItem*>(QStringLiteral("settingsRoot"));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->property("model").value<QObject*>(), edited);

  // "Don't ask for Zoom" from a prompt shows in the open window and survives its next save.
  model->ignore(core::CallApp::of("zoom").value());
  ASSERT_EQ(edited->general().ignoredCallApps().size(), 1);
  edited->general().setVocabulary(QStringLiteral("autovalor"));
  EXPECT_EQ(model->settings().load().ignoredCallApps,
            std::vector<std::string>{core::CallApp::of("zoom")->id});

  // Onboarding shares the record; "Listo" needs the consent, stores it and closes the window.
  QQuickWindow* onboarding = windowShell.open(Scene::onboarding);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(onboarding));
  EXPECT_EQ(onboarding->property("settings").value<QObject*>(), edited);
  EXPECT_FALSE(click(onboarding, "onboarding.done"));
  ASSERT_TRUE(click(onboarding, "onboarding.consent"));
  ASSERT_TRUE(click(onboarding, "onboarding.done"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !onboarding->isVisible(); }, 2000));
  EXPECT_TRUE(model->settings().consentAcknowledged());
}

}  // namespace
}  // namespace kelv::app
