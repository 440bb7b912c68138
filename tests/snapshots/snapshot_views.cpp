#include "snapshot_views.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <memory>

#include "controllers/app_model.h"
#include "kelv/core/library/frontmatter.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "sample_library.h"
#include "view_models/level_source.h"
#include "view_models/meeting_detail.h"
#include "view_models/meetings_window_model.h"
#include "view_models/menu_model.h"
#include "view_models/permissions_model.h"
#include "view_models/player.h"
#include "view_models/settings_model.h"

namespace kelv::snapshots {

namespace {

// The display title of a Meeting file: its front matter's title, else the file name.
QString titleOf(const QString& path) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray text = file.readAll();
    const auto fields = core::Frontmatter::fields(
        core::Frontmatter::lines(std::string_view(text.constData(), text.size())));
    if (fields && fields->count("title")) {
      QString title = QString::fromStdString(fields->at("title"));
      if (title.size() >= 2 && title.startsWith('"') && title.endsWith('"'))
        title = title.mid(1, title.size() - 2).replace(QLatin1String("\\\""), QLatin1String("\""));
      return title;
    }
  }
  return QFileInfo(path).completeBaseName();
}

SnapshotView meetingView(const QString& name, const QString& path) {
  return {name,
          QUrl(QStringLiteral("qrc:/snapshots/MeetingSheet.qml")),
          {{"path", path}, {"title", titleOf(path)}},
          0,
          0,
          {}};
}

using app::MenuModel;
using app::MenuState;

// A pop-over over a fixed state; the menu lives as long as the program.
SnapshotView menuView(const QString& name, MenuState state, double mic = 0, double system = 0) {
  auto* menu = new MenuModel(std::move(state), QCoreApplication::instance());
  auto* micLevel = new app::FixedLevel(menu);
  micLevel->setValue(mic);
  auto* systemLevel = new app::FixedLevel(menu);
  systemLevel->setValue(system);
  menu->setMicLevel(micLevel);
  menu->setSystemLevel(systemLevel);
  return {name,
          QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MenuView.qml")),
          {{QStringLiteral("menu"), QVariant::fromValue(menu)}},
          0,
          0,
          {}};
}

void addMenuViews(std::vector<SnapshotView>& views) {
  const QString shortcut = QStringLiteral("Ctrl+Alt+Super+R");
  MenuState idle;
  idle.shortcut = shortcut;
  views.push_back(menuView(QStringLiteral("menu-idle"), idle));

  MenuState recording = idle;
  recording.recording = true;
  recording.startedAt = QDateTime::currentDateTime().addSecs(-754);
  views.push_back(menuView(QStringLiteral("menu-recording"), recording, 0.25, 0.81));

  MenuState calls = idle;
  calls.callNames = {QStringLiteral("Zoom"), QStringLiteral("Microsoft Teams")};
  calls.queue = {{QStringLiteral("a"), QStringLiteral("Cálculo II: series de potencias")},
                 {QStringLiteral("b"), QStringLiteral("Dec 9, 2026, 10:15 AM")}};
  calls.processingID = QStringLiteral("a");
  views.push_back(menuView(QStringLiteral("menu-calls-queue"), calls));

  MenuState lowDisk = recording;
  lowDisk.lowDiskSpace = 312'000'000;
  lowDisk.queue = {{QStringLiteral("b"), QStringLiteral("Física general")}};
  views.push_back(menuView(QStringLiteral("menu-low-disk"), lowDisk, 0.09, 1.0));
}

// An application model over a store and preferences of its own in a temporary folder; each
// call makes a new one, because the views are listed again for each appearance. The library is
// filled with a typical term read on `now` when `sample` is set.
struct ScratchApp {
  app::AppModel* app;
  std::filesystem::path notes;
};

ScratchApp scratchApp(const QString& name, bool sample, core::Date now) {
  namespace fs = std::filesystem;
  static QTemporaryDir scratch;
  static int made = 0;
  const fs::path root =
      fs::path(scratch.path().toStdString()) / (name.toStdString() + std::to_string(++made));
  const fs::path preferences = root / "config" / "preferences.json";
  fs::create_directories(preferences.parent_path());
  std::ofstream(preferences)
      << nlohmann::json{{"v2.settings", {{"notesFolder", core::folderURL(root / "notes")}}}}.dump();
  if (sample)
    test::SampleLibrary(core::MeetingStore(root / "meetings"), root / "notes").addTypicalTerm(now);
  auto* app = new app::AppModel(app::AppModel::Options{core::MeetingStore(root / "meetings"),
                                                       std::make_shared<core::MemorySecretStore>(),
                                                       core::Preferences(preferences),
                                                       fs::path("/bin/true"),
                                                       {}},
                                QCoreApplication::instance());
  return {app, root / "notes"};
}

// Friday 14 March 2025, 10:00 in Madrid.
core::Date snapshotNow() {
  using namespace std::chrono_literals;
  return core::Date(std::chrono::sys_days(std::chrono::year(2025) / 3 / 14) + 9h);
}

// What the meetings window is doing besides showing the selection.
enum class Moment { still, dropping, renaming, deleting, searching };

// The meetings window with a fixed "now"; `selectTitle` picks the meeting shown beside the list.
SnapshotView meetingsView(const QString& name, bool sample, const std::string& selectTitle,
                          Moment moment = Moment::still) {
  const core::Date now = snapshotNow();
  const ScratchApp scratch = scratchApp(name, sample, now);
  std::string selected;
  for (const auto& entry : scratch.app->store().entries(scratch.notes))
    if (entry.title == selectTitle) selected = entry.id;
  auto* meetings = new app::MeetingsWindowModel(
      *scratch.app,
      app::MeetingsWindowModel::Options{[now] { return now; }, "es_ES", "Europe/Madrid"},
      scratch.app);
  meetings->refresh();
  return {name,
          QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MeetingsView.qml")),
          {{QStringLiteral("meetings"), QVariant::fromValue(meetings)}},
          1100,
          760,
          [meetings, moment, selected = QString::fromStdString(selected)] {
            if (!meetings->list()->loaded() || meetings->list()->refreshing()) return false;
            if (selected.isEmpty()) return true;
            if (meetings->selection() != selected) meetings->select(selected);
            app::MeetingDetail* detail = meetings->detail();
            if (detail->hasFile() && !detail->fileLoaded()) return false;
            switch (moment) {
              case Moment::still:
                break;
              case Moment::dropping:
                meetings->setDropping(true);
                break;
              case Moment::renaming:
                if (meetings->renaming() != selected) meetings->beginRename(selected);
                break;
              case Moment::deleting:
                if (meetings->deleting() != selected) meetings->askDelete(selected);
                break;
              case Moment::searching: {
                // Typed, answered, and the first hit opened in its class.
                app::SearchResultsModel* search = meetings->search();
                if (!search->active()) search->setQuery(QStringLiteral("gradiente"));
                if (!search->answered()) return false;
                if (meetings->foundMeeting().isEmpty()) {
                  search->chooseCurrent();
                  return false;
                }
                return detail->fileLoaded();
              }
            }
            return true;
          }};
}

// The settings being edited, filled as a user would through the model: a cloud preset with a
// key for the notes, a server of their own, or no notes at all, which leaves the on-device
// transcription's model picker in view.
enum class NotesChoice { preset, custom, none };

app::SettingsModel* settingsModel(const QString& name, NotesChoice choice) {
  const ScratchApp scratch = scratchApp(name, false, snapshotNow());
  auto* settings = new app::SettingsModel(scratch.app->settings(), scratch.app);
  scratch.app->setSettingsModel(settings);
  settings->general().setVocabulary(QStringLiteral("derivada\nteorema de Bolzano\nCauchy"));
  settings->general().ignoreCallApp(core::CallApp::of("zoom")->id);
  settings->general().setNotesPrompt(QStringLiteral(
      "Escribe apuntes de estudio claros a partir de la transcripción de la clase."));
  app::BackendSettings& notes = settings->notes();
  switch (choice) {
    case NotesChoice::custom:
      // A server that isn't there: the test's result is the real failure line.
      notes.setChoice(QStringLiteral("custom"));
      notes.setAddress(QStringLiteral("http://127.0.0.1:9/v1"));
      notes.test();
      break;
    case NotesChoice::preset:
      notes.setChoice(QStringLiteral("Anthropic"));
      notes.setApiKey(QStringLiteral("sk-ant-example"));
      break;
    case NotesChoice::none:
      notes.setChoice(QString());
      settings->transcription().setModel(QStringLiteral("small-q8_0"));
      break;
  }
  return settings;
}

void addSettingsViews(std::vector<SnapshotView>& views) {
  const QUrl sheet(QStringLiteral("qrc:/snapshots/SettingsSheet.qml"));
  const struct {
    const char* name;
    int tab;
    NotesChoice notes;
  } tabs[] = {{"settings-general", 0, NotesChoice::preset},
              {"settings-ai-preset", 1, NotesChoice::preset},
              {"settings-ai-custom", 1, NotesChoice::custom},
              {"settings-ai-on-device", 1, NotesChoice::none},
              {"settings-advanced", 2, NotesChoice::preset}};
  for (const auto& [name, tab, notes] : tabs) {
    const bool custom = notes == NotesChoice::custom;
    app::SettingsModel* model = settingsModel(QString::fromLatin1(name), notes);
    views.push_back({QString::fromLatin1(name),
                     sheet,
                     {{QStringLiteral("tab"), tab},
                      {QStringLiteral("model"), QVariant::fromValue(static_cast<QObject*>(model))}},
                     540,
                     480,
                     [model, custom] {
                       // Drawn once the test has its result line.
                       return !custom || model->notes().testState() !=
                                             app::BackendSettings::TestState::Testing;
                     }});
  }
  for (const bool consent : {false, true}) {
    const QString name =
        consent ? QStringLiteral("onboarding-consent") : QStringLiteral("onboarding");
    app::SettingsModel* model = settingsModel(name, NotesChoice::preset);
    auto* app = qobject_cast<app::AppModel*>(model->parent());
    auto* permissions = new app::PermissionsModel(app->settings(), app);
    views.push_back(
        {name,
         QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/OnboardingView.qml")),
         {{QStringLiteral("model"), QVariant::fromValue(static_cast<QObject*>(model))},
          {QStringLiteral("app"), QVariant::fromValue(static_cast<QObject*>(app))},
          {QStringLiteral("permissions"), QVariant::fromValue(static_cast<QObject*>(permissions))},
          {QStringLiteral("consent"), consent},
          {QStringLiteral("appeared"), true}},
         0,
         0,
         // As a first start shows it: the speech model's download line under the steps.
         [app] {
           app->downloadModel();
           return app->modelDownloadState() ==
                  kelv::app::BackgroundProcessing::ModelDownload::Ready;
         }});
  }
}

// The player bar in each of its states, as the detail pane shows it under the header; the
// players live as long as the program.
void addPlayerViews(std::vector<SnapshotView>& views) {
  using app::Player;
  struct Look {
    const char* name;
    Player::State state;
    double position;
    double speed;
    const char* message;
  };
  for (const Look& look : {
           Look{"player-ready", Player::Ready, 0, 1.0, ""},
           Look{"player-playing", Player::Playing, 65, 1.25, ""},
           Look{"player-paused-late", Player::Ready, 2475, 2.0, ""},
           Look{"player-loading", Player::Loading, 0, 1.0, ""},
           Look{"player-failed", Player::Failed, 0, 1.0,
                "El audio «mic.m4a» está dañado o incompleto."},
           Look{"player-no-server", Player::Failed, 0, 1.0,
                "No se puede reproducir el audio: no hay servidor de sonido."},
       }) {
    auto* player = new Player(QCoreApplication::instance());
    player->setSpeed(look.speed);
    player->present(look.state, look.position, 2530, QString::fromUtf8(look.message));
    views.push_back({QString::fromLatin1(look.name),
                     QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/PlayerBar.qml")),
                     {{"player", QVariant::fromValue(player)}, {"width", 516}},
                     516,
                     46,
                     {}});
  }
}

}  // namespace

std::vector<SnapshotView> snapshotViews(const QStringList& meetingFiles) {
  std::vector<SnapshotView> views;
  // Add a view here: its sheet goes into sheets/ (picked up by CMakeLists.txt), or point at a
  // component of the Kelvora module and pass the data it needs as properties.
  views.push_back({QStringLiteral("buttons"),
                   QUrl(QStringLiteral("qrc:/snapshots/ButtonSheet.qml")),
                   {},
                   0,
                   0,
                   {}});
  addSettingsViews(views);
  views.push_back(meetingView(QStringLiteral("meeting-file"),
                              QStringLiteral(KELV_SNAPSHOT_FIXTURES "/clase-algebra-lineal.md")));
  addMenuViews(views);
  addPlayerViews(views);
  views.push_back(meetingsView(QStringLiteral("meetings"), true, "Historia del arte: el Barroco"));
  views.push_back(
      meetingsView(QStringLiteral("meetings-attention"), true, "Álgebra lineal: autovalores"));
  views.push_back(meetingsView(QStringLiteral("meetings-empty"), false, ""));
  const std::string barroco = "Historia del arte: el Barroco";
  views.push_back(meetingsView(QStringLiteral("meetings-drop"), true, barroco, Moment::dropping));
  views.push_back(meetingsView(QStringLiteral("meetings-rename"), true, barroco, Moment::renaming));
  views.push_back(meetingsView(QStringLiteral("meetings-delete"), true, barroco, Moment::deleting));
  views.push_back(
      meetingsView(QStringLiteral("meetings-search"), true, barroco, Moment::searching));
  for (const QString& path : meetingFiles)
    views.push_back(meetingView(QStringLiteral("file-") + QFileInfo(path).completeBaseName(),
                                QFileInfo(path).absoluteFilePath()));
  return views;
}

}  // namespace kelv::snapshots
