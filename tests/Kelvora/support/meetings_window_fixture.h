// The meetings window's test fixture: a private meeting store and notes folder filled through
// the sample library, settings that name that folder, a fixed "now" in the Madrid time zone,
// and the window's real QML loaded over the real models.
#pragma once

#include <QCoreApplication>
#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "controllers/app_model.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "sample_library.h"
#include "temp_dir.h"
#include "view_harness.h"
#include "view_models/meetings_window_model.h"

namespace kelv::app {

class MeetingsWindowFixture : public testing::Test {
 protected:
  // Friday 14 March 2025, 10:00 in Madrid.
  static inline const core::Date kNow =
      core::Date(std::chrono::sys_days(std::chrono::year(2025) / 3 / 14) + std::chrono::hours(9));

  void SetUp() override {
    ::setenv("HOME", temp.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    ::setenv("KELV_DEFAULTS_SUITE", "test", 1);
    ::setenv("TZ", "Europe/Madrid", 1);
    ::tzset();
    writeSettings();
  }

  void TearDown() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }

  // The settings: the notes folder, and `more` over it.
  void writeSettings(const nlohmann::json& more = nlohmann::json::object()) {
    nlohmann::json settings = {{"notesFolder", core::folderURL(temp / "notes")}};
    settings.update(more);
    std::filesystem::create_directories(preferencesFile().parent_path());
    kelv::test::writeFile(preferencesFile(), nlohmann::json{{"v2.settings", settings}}.dump());
  }

  std::filesystem::path preferencesFile() const {
    return temp / "config" / "test" / "preferences.json";
  }

  // The application's and the window's models, without the window. The processing tool is
  // a stand-in that does nothing unless one is given: imports stay as they are.
  void makeModels(std::filesystem::path tool = "/bin/true",
                  std::map<std::string, std::string> keys = {}) {
    app = std::make_unique<AppModel>(
        AppModel::Options{core::MeetingStore(temp / "meetings"),
                          std::make_shared<core::MemorySecretStore>(std::move(keys)),
                          core::Preferences(preferencesFile()),
                          std::move(tool),
                          {}});
    meetings = std::make_unique<MeetingsWindowModel>(
        *app, MeetingsWindowModel::Options{[] { return kNow; }, "es_ES", "Europe/Madrid"});
  }

  // The window's content over the library as it is now; waits for the first read.
  QQuickItem* open(std::filesystem::path tool = "/bin/true",
                   std::map<std::string, std::string> keys = {}) {
    makeModels(std::move(tool), std::move(keys));
    QQuickItem* root =
        view.load(QStringLiteral("MeetingsView"),
                  {{QStringLiteral("meetings"), QVariant::fromValue(meetings.get())}}, {1100, 760});
    meetings->refresh();
    EXPECT_TRUE(refreshed());
    view.settle();
    return root;
  }

  bool settled() const { return meetings->list()->loaded() && !meetings->list()->refreshing(); }

  // Waits for the list to be read again after an action.
  bool refreshed() {
    return view.waitUntil([&] { return settled(); });
  }

  void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&view.window(), static_cast<Qt::Key>(key), modifiers);
    QCoreApplication::processEvents();
  }

  // An entry of the detail pane's action menu, after opening "Más acciones".
  QObject* menuEntry(const char* name) {
    QQuickItem* more = view.find(QStringLiteral("moreActions"));
    if (more == nullptr) return nullptr;
    view.press(more);
    view.release(more);
    view.settle();
    QObject* menu = view.root()->findChild<QObject*>(QStringLiteral("detailActionMenu"));
    return menu ? menu->findChild<QObject*>(QString::fromLatin1(name)) : nullptr;
  }

  kelv::test::TempDir temp;
  kelv::test::SampleLibrary library{core::MeetingStore(temp / "meetings"), temp / "notes"};
  std::unique_ptr<AppModel> app;
  std::unique_ptr<MeetingsWindowModel> meetings;
  kelv::test::ViewHarness view;
};

}  // namespace kelv::app
