// The settings window, loaded from the real QML module with a real settings model on a
// preferences file in a temporary folder.
#include <QQuickItem>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>

#include "app_model_fixture.h"
#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/notes/notes_writer.h"
#include "scoped_variable.h"
#include "view_harness.h"
#include "view_models/settings_model.h"
#include "xvfb_display.h"

namespace kelv::app {
namespace {

using kelv::test::ViewHarness;
using testing::ElementsAre;

// The keys as the secret store sees them, with every write counted.
class CountingSecrets : public core::SecretStore {
 public:
  std::optional<std::string> secret(const std::string& account) const override {
    return keys.secret(account);
  }
  void setSecret(const std::optional<std::string>& value, const std::string& account) override {
    ++writes;
    keys.setSecret(value, account);
  }
  core::MemorySecretStore keys;
  std::atomic<int> writes = 0;
};

class SettingsViews : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    secrets = std::make_shared<CountingSecrets>();
    model = std::make_unique<SettingsModel>(
        core::SettingsStore(core::Preferences(preferencesFile()), secrets));
  }

  QQuickItem* showSettings(int tab) {
    QQuickItem* root = views.load(
        "SettingsView", {{"model", QVariant::fromValue<QObject*>(model.get())}}, {540, 480});
    if (root) views.find("settings.tabView")->setProperty("currentIndex", tab);
    views.settle();
    return root;
  }

  bool shown(const QString& name) {
    QQuickItem* item = views.find(name);
    return item && item->isVisible();
  }

  void click(const QString& name) {
    QQuickItem* item = views.find(name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    QMetaObject::invokeMethod(item, "clicked");
    views.settle();
  }

  void type(QQuickItem* field, const QString& text) {
    field->forceActiveFocus();
    for (const QChar c : text) QTest::keyClick(&views.window(), c.toLatin1());
  }

  std::shared_ptr<CountingSecrets> secrets;
  std::unique_ptr<SettingsModel> model;
  // Outlive the views that show them.
  std::unique_ptr<AppModel> app;
  // An X display of the row's own, where a hotkey can be registered (the tests' has none).
  std::unique_ptr<kelv::test::XvfbDisplay> display;
  std::optional<kelv::test::ScopedVariable> x11;
  std::optional<HotkeyMonitor> monitor;
  std::unique_ptr<HotkeyRecorder> hotkey;
  ViewHarness views;
};

TEST_F(SettingsViews, BackendRowsFollowTheChoice) {
  ASSERT_NE(showSettings(1), nullptr);
  struct Case {
    QString choice;
    bool rows;
    bool key;
    QString addressPlaceholder;
    QString modelPlaceholder;
  };
  const std::vector<Case> cases = {
      {"", false, false, "", ""},
      {"Ollama", true, false, "http://localhost:11434/v1", "qwen3:8b"},
      {"LM Studio", true, false, "http://localhost:1234/v1", "Server default"},
      {"Anthropic", true, true, "https://api.anthropic.com", "claude-sonnet-4-5"},
      {"custom", true, true, "http://localhost:8000/v1", "Server default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice.toStdString());
    model->notes().setChoice(c.choice);
    views.settle();
    EXPECT_EQ(shown("settings.notesBackend.address"), c.rows);
    EXPECT_EQ(shown("settings.notesBackend.model"), c.rows);
    EXPECT_EQ(shown("settings.notesBackend.test"), c.rows);
    EXPECT_EQ(shown("settings.notesBackend.key.field"), c.key);
    if (c.rows) {
      EXPECT_EQ(views.find("settings.notesBackend.address")->property("placeholderText"),
                c.addressPlaceholder);
      EXPECT_EQ(views.find("settings.notesBackend.model")->property("placeholderText"),
                c.modelPlaceholder);
    }
  }
}

TEST_F(SettingsViews, AddressFieldStoresAbsentForEmptyAndRefusesOtherSchemes) {
  ASSERT_NE(showSettings(1), nullptr);
  model->notes().setChoice("custom");
  views.settle();
  QQuickItem* address = views.find("settings.notesBackend.address");
  address->setProperty("text", "ftp://example.com");
  QMetaObject::invokeMethod(address, "editingFinished");
  views.settle();
  EXPECT_TRUE(shown("settings.notesBackend.addressProblem"));
  EXPECT_EQ(model->store().load().notes.address, std::nullopt);
  address->setProperty("text", "http://127.0.0.1:8080/v1");
  QMetaObject::invokeMethod(address, "editingFinished");
  address->setProperty("text", "");
  QMetaObject::invokeMethod(address, "editingFinished");
  views.settle();
  EXPECT_FALSE(shown("settings.notesBackend.addressProblem"));
  EXPECT_EQ(model->store().load().notes.address, std::nullopt);
}

TEST_F(SettingsViews, TypedKeyIsStoredWhenTheWindowClosesAndSameKeyWritesNothing) {
  ASSERT_NE(showSettings(1), nullptr);
  model->notes().setChoice("Anthropic");
  views.settle();
  QQuickItem* field = views.find("settings.notesBackend.key.field");
  ASSERT_NE(field, nullptr);
  type(field, "sk-ant");
  EXPECT_EQ(secrets->writes, 0);  // no write per keystroke
  views.window().hide();
  EXPECT_EQ(secrets->keys.secret("v2.notes.Anthropic"), "sk-ant");
  EXPECT_EQ(secrets->writes, 1);

  views.window().show();
  field->setProperty("text", "");
  type(field, "sk-ant");
  QMetaObject::invokeMethod(field, "accepted");
  views.settle();
  EXPECT_EQ(secrets->writes, 1);

  type(field, "-2");
  ASSERT_TRUE(views.waitUntil([&] { return secrets->writes == 2; }));  // after the pause
  EXPECT_EQ(secrets->keys.secret("v2.notes.Anthropic"), "sk-ant-2");
}

TEST_F(SettingsViews, RestoreDefaultIsEnabledOnlyForAnEditedPrompt) {
  ASSERT_NE(showSettings(2), nullptr);
  QQuickItem* restore = views.find("settings.restorePrompt");
  QQuickItem* editor = views.find("settings.notesPrompt");
  EXPECT_FALSE(restore->isEnabled());
  editor->setProperty("text", "Resume la clase.");
  views.settle();
  EXPECT_TRUE(restore->isEnabled());
  click("settings.restorePrompt");
  EXPECT_FALSE(restore->isEnabled());
  EXPECT_EQ(editor->property("text").toString().toStdString(),
            std::string(core::NotesWriter::defaultPrompt));
}

TEST_F(SettingsViews, IgnoredAppsAreListedAndAskAgainRemovesThem) {
  model->general().ignoreCallApp("us.zoom.xos");
  model->general().ignoreCallApp("org.example.unknown");
  ASSERT_NE(showSettings(0), nullptr);
  const auto names = views.findAll("settings.ignoredName");
  ASSERT_EQ(names.size(), 2);
  EXPECT_EQ(names[0]->property("text"), "Not asking for Zoom");
  EXPECT_EQ(names[1]->property("text"), "Not asking for org.example.unknown");
  QMetaObject::invokeMethod(views.findAll("settings.askAgain")[1], "clicked");
  views.settle();
  EXPECT_THAT(model->store().load().ignoredCallApps, ElementsAre("us.zoom.xos"));
  EXPECT_EQ(views.findAll("settings.ignoredName").size(), 1);
}

TEST_F(SettingsViews, HotkeyRowWithoutX11OrAPortal) {
  ASSERT_NE(showSettings(0), nullptr);
  EXPECT_EQ(views.find("settings.hotkey")->property("text").toString(),
            "Los atajos globales no están disponibles en este escritorio: hace falta una sesión "
            "X11 o un portal del escritorio con atajos globales.");
  EXPECT_FALSE(shown("settings.hotkeyChange"));
  EXPECT_FALSE(shown("settings.hotkeyOff"));
}

TEST_F(SettingsViews, PickersShowTheModelsOptions) {
  ASSERT_NE(showSettings(1), nullptr);
  QQuickItem* picker = views.find("settings.notesBackend.choice");
  EXPECT_EQ(picker->property("count").toInt(), model->notes().options().size());
  const struct {
    QString choice;
    QString shown;
  } cases[] = {{"", "None"}, {"Anthropic", "Anthropic"}, {"custom", "Custom server"}};
  for (const auto& c : cases) {
    model->notes().setChoice(c.choice);
    views.settle();
    EXPECT_EQ(picker->property("displayText").toString(), c.shown);
  }
  EXPECT_EQ(views.find("settings.transcriptionBackend.choice")->property("displayText"),
            "Custom server");

  views.find("settings.tabView")->setProperty("currentIndex", 0);
  QQuickItem* language = views.find("settings.language");
  EXPECT_EQ(language->property("count").toInt(), 39);
  model->general().setLanguage("");
  views.settle();
  EXPECT_EQ(language->property("displayText").toString(), GeneralSettings::systemLanguageLabel());
  model->general().setLanguage("fr");
  views.settle();
  EXPECT_EQ(language->property("displayText").toString(), GeneralSettings::languageName("fr"));
}

TEST_F(SettingsViews, OnDeviceTranscriptionPicksItsSpeechModel) {
  ASSERT_NE(showSettings(1), nullptr);
  model->transcription().setChoice("");
  views.settle();
  QQuickItem* picker = views.find("settings.transcriptionBackend.speechModel");
  ASSERT_NE(picker, nullptr);
  const auto line = [&] {
    return views.find("settings.transcriptionBackend.speechModelLine")->property("text").toString();
  };
  EXPECT_TRUE(picker->isVisible());
  EXPECT_FALSE(shown("settings.transcriptionBackend.address"));
  EXPECT_FALSE(shown("settings.transcriptionBackend.test"));
  EXPECT_EQ(picker->property("count").toInt(), core::OnDeviceModel::all().size());
  // No model named: the default, still to download.
  EXPECT_EQ(picker->property("displayText").toString(), "base · 148 MB · fast");
  EXPECT_EQ(line(), "Downloads (148 MB) with the next class it transcribes.");

  // From base, three rows down is small-q8_0, which is already here.
  const core::OnDeviceModel* chosen = core::OnDeviceModel::named("small-q8_0");
  std::filesystem::create_directories(chosen->path().parent_path());
  kelv::test::writeFile(chosen->path(), "weights");
  picker->forceActiveFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(&views.window(), Qt::Key_Down);
  views.settle();
  EXPECT_EQ(model->store().load().transcription.model, "small-q8_0");
  EXPECT_EQ(picker->property("displayText").toString(), "small-q8_0 · 264.5 MB · moderate");
  EXPECT_EQ(line(), "On this computer.");

  model->transcription().setModel("huge");
  views.settle();
  EXPECT_EQ(picker->property("currentIndex").toInt(), -1);
  EXPECT_EQ(line(), "“huge” is not a model this version knows. Choose one of the list.");

  model->transcription().setChoice("custom");
  views.settle();
  EXPECT_FALSE(picker->isVisible());
  EXPECT_FALSE(shown("settings.transcriptionBackend.speechModelLine"));
  EXPECT_TRUE(shown("settings.transcriptionBackend.address"));
}

TEST_F(SettingsViews, TheStatusLineFollowsTheTest) {
  ASSERT_NE(showSettings(1), nullptr);
  EXPECT_FALSE(shown("settings.notesBackend.status"));
  // Read before the event loop runs, while the exchange is still going on.
  QMetaObject::invokeMethod(views.find("settings.notesBackend.test"), "clicked");
  EXPECT_TRUE(shown("settings.notesBackend.status"));
  EXPECT_EQ(views.find("settings.notesBackend.status")->property("text"), "Testing…");
  ASSERT_TRUE(views.waitUntil(
      [&] { return model->notes().testState() != BackendSettings::TestState::Testing; }));
  views.settle();
  EXPECT_EQ(views.find("settings.notesBackend.status")->property("text"), "Works.");
  model->notes().setModel("another-model");
  views.settle();
  EXPECT_FALSE(shown("settings.notesBackend.status"));
}

TEST_F(SettingsViews, TheHotkeyRowCapturesTheKeysItIsGiven) {
  display = std::make_unique<kelv::test::XvfbDisplay>();
  x11.emplace("DISPLAY", display->name());
  monitor.emplace();
  hotkey = std::make_unique<HotkeyRecorder>(model->record(), *monitor);
  ASSERT_NE(views.load("GeneralTab",
                       {{"settings", QVariant::fromValue<QObject*>(&model->general())},
                        {"hotkey", QVariant::fromValue<QObject*>(hotkey.get())}},
                       {540, 480}),
            nullptr);
  views.settle();
  auto row = [&] { return views.find("settings.hotkey")->property("text").toString(); };
  auto change = [&] { return views.find("settings.hotkeyChange")->property("text").toString(); };
  EXPECT_EQ(row(), "Ctrl+Alt+Super+R");
  EXPECT_TRUE(shown("settings.hotkeyOff"));

  click("settings.hotkeyChange");
  EXPECT_EQ(row(), "Press a shortcut…");
  EXPECT_EQ(change(), "Cancel");
  EXPECT_FALSE(shown("settings.hotkeyOff"));
  QTest::keyClick(&views.window(), Qt::Key_K);
  views.settle();
  EXPECT_EQ(row(), "Press a shortcut…");
  QTest::keyClick(&views.window(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  views.settle();
  EXPECT_EQ(row(), "Ctrl+Shift+K");
  EXPECT_EQ(change(), "Change…");

  click("settings.hotkeyChange");
  QTest::keyClick(&views.window(), Qt::Key_Escape);
  views.settle();
  EXPECT_EQ(row(), "Ctrl+Shift+K");
  click("settings.hotkeyChange");
  click("settings.hotkeyChange");  // cancelled by its button
  EXPECT_EQ(row(), "Ctrl+Shift+K");

  click("settings.hotkeyOff");
  EXPECT_EQ(row(), "Off");
  EXPECT_FALSE(shown("settings.hotkeyOff"));
  EXPECT_EQ(Hotkey::saved(model->store().defaults()), std::nullopt);
}

}  // namespace
}  // namespace kelv::app
