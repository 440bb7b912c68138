// Every window as a first start really shows it (no speech model yet, so the download line
// shows; a long notes folder; three call applications ignored), and the meetings window over a
// term of classes, in each appearance: nothing sticks out of its window and no text is cut that
// doesn't elide on purpose; and a screen reader finds a name for every control, heading and field
// and an action on every button. The suite runs again with 1.5× text and at a scale of 2.
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gmock/gmock.h>

#include <chrono>
#include <functional>

#include "accessibility_audit.h"
#include "app_model_fixture.h"
#include "kelv/core/calls/call_app.h"
#include "layout_audit.h"
#include "sample_library.h"
#include "shell/theme.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"
#include "view_harness.h"
#include "view_models/meetings_window_model.h"
#include "view_models/menu_model.h"
#include "view_models/settings_model.h"

namespace kelv::app {
namespace {

using Scene = WindowShell::Scene;
using testing::IsEmpty;

class WindowFitTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    notes = temp / "Documentos de la universidad" / "Grado en Matemáticas" / "Curso 2026-2027" /
            "Segundo cuatrimestre" / "Apuntes de clase";
    fs::create_directories(notes);
    fs::create_directories(preferencesFile().parent_path());
    kelv::test::writeFile(preferencesFile(),
                          nlohmann::json{{"v2.settings",
                                          {{"notesFolder", core::folderURL(notes)},
                                           {"transcription", {{"type", "on-device"}}},
                                           {"language", "es"}}}}
                              .dump());
    prepareViewEngine(engine);
    // No model can be fetched, so the download line says it waits for the first class.
    model = makeModel(script("exit 1"));
    shell = std::make_unique<WindowShell>(*model, engine);
  }
  void TearDown() override {
    Theme::shared().force(std::nullopt);
    popover.reset();
    shell.reset();
    AppModelTest::TearDown();
  }

  QQuickWindow* show(Scene scene) {
    QQuickWindow* window = shell->open(scene);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    return window;
  }

  // Lets layouts, polish and the entry animations finish.
  static void settle() {
    for (int turn = 0; turn < 4; ++turn) QTest::qWait(120);
  }

  fs::path notes;
  QQmlEngine engine;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<WindowShell> shell;
  std::unique_ptr<MenuModel> menu;
  std::unique_ptr<QQuickWindow> popover;
};

TEST_F(WindowFitTest, EveryWindowHoldsItsContentAndNamesItsControls) {
  QQuickWindow* onboarding = show(Scene::onboarding);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return model->modelDownloadState() == BackgroundProcessing::ModelDownload::Deferred; },
      kChildTimeout));

  QQuickWindow* settings = show(Scene::settings);
  auto* settingsModel = settings->property("settings").value<SettingsModel*>();
  ASSERT_NE(settingsModel, nullptr);
  for (const char* app : {"zoom", "teams", "discord"})
    settingsModel->general().ignoreCallApp(core::CallApp::of(app)->id);
  QQuickItem* settingsView = settings->findChild<QQuickItem*>("settingsRoot");
  ASSERT_NE(settingsView, nullptr);

  menu = std::make_unique<MenuModel>(*model);
  popover = makeWindow(engine, QStringLiteral("MenuWindow"),
                       {{QStringLiteral("menu"), QVariant::fromValue(menu.get())},
                        {QStringLiteral("standalone"), true}},
                       QStringLiteral("popover"), "The menu can't be shown");
  popover->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.get()));

  QQuickWindow* meetingsWindow = show(Scene::main);
  auto* meetings = meetingsWindow->findChild<MeetingsWindowModel*>();
  ASSERT_NE(meetings, nullptr);

  // Each view, brought into the state it is checked in.
  const struct {
    const char* state;
    QQuickWindow* window;
    std::function<void()> prepare;
  } views[] = {
      {"first start", onboarding,
       [&] {
         onboarding->findChild<QQuickItem*>("onboardingRoot")->setProperty("consent", false);
       }},
      {"first start, consent given", onboarding,
       [&] { onboarding->findChild<QQuickItem*>("onboardingRoot")->setProperty("consent", true); }},
      {"settings: General", settings, [&] { settingsView->setProperty("currentTab", 0); }},
      {"settings: AI", settings, [&] { settingsView->setProperty("currentTab", 1); }},
      {"settings: Advanced", settings, [&] { settingsView->setProperty("currentTab", 2); }},
      {"pop-over", popover.get(), [] {}},
      {"no classes yet", meetingsWindow, [] {}},
      {"a term of classes", meetingsWindow,
       [&] {
         if (meetings->list()->rowCount() > 0) return;
         kelv::test::SampleLibrary(model->store(), notes)
             .addTypicalTerm(std::chrono::system_clock::now());
         meetings->refresh();
         EXPECT_TRUE(QTest::qWaitFor([&] { return meetings->list()->rowCount() > 0; }));
         meetings->select(QString::fromStdString(model->store().entries(notes).front().id));
       }},
  };
  for (const Appearance appearance :
       {Appearance::light, Appearance::dark, Appearance::highContrastLight,
        Appearance::highContrastDark}) {
    Theme::shared().force(appearance);
    for (const auto& view : views) {
      SCOPED_TRACE(QStringLiteral("%1, %2")
                       .arg(QLatin1String(view.state), Theme::shared().appearanceText())
                       .toStdString());
      view.prepare();
      settle();
      EXPECT_THAT(kelv::test::layoutFaults(*view.window), IsEmpty());
      // What a screen reader reads doesn't change with the colours.
      if (appearance == Appearance::light) {
        EXPECT_THAT(kelv::test::accessibilityFaults(*view.window), IsEmpty());
      }
    }
  }
}

// A disabled pill fades as a whole and still shows all of its face and label, also where the
// screen is scaled by a fraction (1.5× text on X11), where a faded layer used to shift its
// picture and cut the label at the top.
TEST(DisabledButtonTest, ShowsItsWholeFace) {
  Theme::shared().force(Appearance::light);
  kelv::test::ViewHarness views;
  ASSERT_NE(views.loadText("Item { PillButton { objectName: 'pill'; x: 40; y: 40; "
                           "text: 'Listo'; filled: true; enabled: false } }"),
            nullptr);
  views.settle();
  QQuickItem* face = views.find("pillFace");
  ASSERT_NE(face, nullptr);
  const QColor top = views.pixel(face, {face->width() / 2, 1});
  const QColor bottom = views.pixel(face, {face->width() / 2, face->height() - 1});
  const QColor fill = views.pixel(face, {4, face->height() / 2});
  // Both borders show, faded alike, and differ from the face inside them.
  EXPECT_EQ(top.rgb(), bottom.rgb());
  EXPECT_NE(top.rgb(), fill.rgb());
  // The label lies inside the face.
  EXPECT_THAT(kelv::test::layoutFaults(views.window()), IsEmpty());
  Theme::shared().force(std::nullopt);
}

}  // namespace
}  // namespace kelv::app
