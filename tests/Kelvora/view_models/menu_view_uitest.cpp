// The tray pop-over from the real QML module over the real application model (tone capture,
// a private store): its texts when idle, with the hotkey or without, while recording (meters,
// the clock frozen while the pop-over is inactive), with meetings waiting, and the rows that
// close the pop-over before they act.
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "app_model_fixture.h"
#include "shell/app_delegate.h"
#include "shell/theme.h"
#include "view_harness.h"
#include "view_models/menu_model.h"
#include "view_models/meter_view.h"

namespace kelv::app {
namespace {

using kelv::test::ViewHarness;

QString textOf(QQuickItem* item) { return item ? item->property("text").toString() : QString(); }

class MenuViewTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    Theme::shared().force(Appearance::light);
  }
  void TearDown() override {
    views.reset();
    menu.reset();
    if (model) model->terminate();
    model.reset();
    AppActions::openMainWindow() = [] {};
    AppActions::openSettings() = [] {};
    AppModelTest::TearDown();
  }

  // The pop-over's content over a model whose processing child is `child` (a script body).
  QQuickItem* show(const std::string& child = "exit 0\n") {
    model = makeModel(script(child));
    menu = std::make_unique<MenuModel>(*model);
    views = std::make_unique<ViewHarness>();
    QQuickItem* view =
        views->load("MenuView", {{"menu", QVariant::fromValue(menu.get())}}, {300, 420});
    if (view != nullptr) views->window().requestActivate();
    return view;
  }

  void storeHotkey(const nlohmann::json& value) {
    nlohmann::json preferences;
    std::ifstream(preferencesFile()) >> preferences;
    preferences["v2.hotkey"] = value;
    kelv::test::writeFile(preferencesFile(), preferences.dump());
  }

  QQuickItem* find(const char* name) const { return views->find(QString::fromLatin1(name)); }
  bool shown(const char* section) const {
    QQuickItem* item = find(section);
    return item != nullptr && item->isVisible() && item->height() > 0;
  }

  std::unique_ptr<AppModel> model;
  std::unique_ptr<MenuModel> menu;
  std::unique_ptr<ViewHarness> views;
};

TEST_F(MenuViewTest, IdleShowsTheReadyLineAndTheButtonWithTheSavedShortcut) {
  const struct {
    const char* name;
    std::optional<nlohmann::json> hotkey;  // none: nothing stored
    const char* shortcut;
    const char* hint;
  } cases[] = {
      {"default hotkey", std::nullopt, "Ctrl+Alt+Super+R", "Shortcut Ctrl+Alt+Super+R"},
      {"chosen hotkey", nlohmann::json{{"keyCode", 0}, {"modifiers", 4096 + 512}}, "Ctrl+Shift+A",
       "Shortcut Ctrl+Shift+A"},
      {"no hotkey", nlohmann::json(nullptr), "", ""},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.name);
    if (expected.hotkey) storeHotkey(*expected.hotkey);
    ASSERT_NE(show(), nullptr);
    EXPECT_EQ(textOf(find("statusLine")), "Lista para la próxima clase");
    EXPECT_TRUE(shown("idleHeader"));
    EXPECT_FALSE(shown("recordingHeader"));
    EXPECT_FALSE(shown("lowDiskSection"));
    EXPECT_FALSE(shown("queueSection"));
    QQuickItem* button = find("idleButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(textOf(find("buttonTitle")), "Grabar clase");
    EXPECT_EQ(textOf(find("buttonShortcut")), QString::fromUtf8(expected.shortcut));
    EXPECT_EQ(find("buttonShortcut")->isVisible(), *expected.shortcut != '\0');
    EXPECT_EQ(menu->buttonHint(), QString::fromUtf8(expected.hint));
    views.reset();
  }
}

TEST_F(MenuViewTest, RecordingShowsTheMetersAndAClockThatRunsOnlyWhileActive) {
  QQuickItem* view = show();
  ASSERT_NE(view, nullptr);
  QQuickItem* button = find("idleButton");
  views->press(button);
  views->release(button);
  ASSERT_TRUE(model->isRecording());
  ASSERT_TRUE(views->waitUntil([&] { return shown("recordingHeader") && !shown("idleHeader"); }));
  EXPECT_EQ(textOf(find("buttonTitle")), "Detener grabación");
  EXPECT_EQ(textOf(views->findAll("meterLabel").value(0)), "Micrófono");
  EXPECT_EQ(textOf(views->findAll("meterLabel").value(1)), "Sistema");

  // Active: the meters tick and light up with the tones, and the clock moves.
  view->setProperty("active", true);
  auto* mic = qobject_cast<MeterView*>(views->findAll("meterBar").value(0));
  auto* system = qobject_cast<MeterView*>(views->findAll("meterBar").value(1));
  ASSERT_TRUE(mic && system);
  EXPECT_TRUE(views->waitUntil([&] { return mic->ticking() && system->ticking(); }));
  EXPECT_TRUE(
      views->waitUntil([&] { return mic->litSegments() > 0 && system->litSegments() > 0; }));
  const QString started = textOf(find("elapsedTime"));
  EXPECT_TRUE(started.startsWith("0:0")) << started.toStdString();
  EXPECT_TRUE(views->waitUntil([&] { return textOf(find("elapsedTime")) != started; }));

  // Inactive: everything stands still.
  view->setProperty("active", false);
  EXPECT_FALSE(mic->ticking());
  EXPECT_FALSE(system->ticking());
  const QString frozen = textOf(find("elapsedTime"));
  QTest::qWait(1300);
  EXPECT_EQ(textOf(find("elapsedTime")), frozen);

  // Active again: it catches up with the time that passed.
  view->setProperty("active", true);
  EXPECT_NE(textOf(find("elapsedTime")), frozen);

  button = find("recordingButton");
  views->press(button);
  views->release(button);
  EXPECT_FALSE(model->isRecording());
  EXPECT_TRUE(views->waitUntil([&] { return shown("idleHeader") && !shown("recordingHeader"); }));
}

TEST_F(MenuViewTest, WaitingMeetingsShowTheOneBeingProcessedWithItsBar) {
  // The child holds the first meeting until the test ends.
  QQuickItem* view = show("exec sleep 60\n");
  ASSERT_NE(view, nullptr);
  view->setProperty("active", true);
  recordBriefly(*model, 0.5);
  recordBriefly(*model, 0.5);
  ASSERT_TRUE(
      views->waitUntil([&] { return model->queue().size() == 2 && model->processingID(); }));
  ASSERT_TRUE(views->waitUntil([&] { return shown("queueSection"); }));
  EXPECT_EQ(textOf(find("statusLine")), "Procesando en segundo plano");

  const QList<QQuickItem*> states = views->findAll("queueState");
  const QList<QQuickItem*> bars = views->findAll("queueBar");
  ASSERT_EQ(states.size(), 2);
  ASSERT_EQ(bars.size(), 2);
  const QString processing = *model->processingID();
  for (int index = 0; index < 2; ++index) {
    SCOPED_TRACE(index);
    const bool first = QString::fromStdString(model->queue()[index].id) == processing;
    EXPECT_EQ(textOf(states[index]), first ? "Procesando" : "En cola");
    EXPECT_EQ(bars[index]->isVisible(), first);
    EXPECT_EQ(bars[index]->property("running").toBool(), first);
    EXPECT_EQ(textOf(views->findAll("queueLabel")[index]),
              QString::fromStdString(model->queue()[index].label));
  }
  // The pop-over inactive: the bar stands still.
  view->setProperty("active", false);
  for (QQuickItem* bar : bars) EXPECT_FALSE(bar->property("running").toBool());
}

TEST_F(MenuViewTest, ARowClosesThePopOverBeforeItsActionRuns) {
  const struct {
    const char* row;
    bool main;
  } rows[] = {{"openRow", true}, {"settingsRow", false}};
  for (const auto& [row, main] : rows) {
    SCOPED_TRACE(row);
    QQuickItem* view = show();
    ASSERT_NE(view, nullptr);
    QStringList order;
    QSignalSpy dismissed(view, SIGNAL(dismissRequested()));
    auto record = [&](const char* what) {
      return [&order, &dismissed, what] {
        order << QString::fromLatin1(what) + (dismissed.count() > 0 ? " after dismiss" : "");
      };
    };
    AppActions::openMainWindow() = record("main");
    AppActions::openSettings() = record("settings");
    QQuickItem* button = find(row);
    ASSERT_NE(button, nullptr);
    views->press(button);
    views->release(button);
    EXPECT_EQ(order,
              QStringList{QString::fromLatin1(main ? "main" : "settings") + " after dismiss"});
    views.reset();
  }
}

}  // namespace
}  // namespace kelv::app
