#include "snapshot_views.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <memory>

#include "app_model.h"
#include "kelv/core/library/frontmatter.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings.h"
#include "level_source.h"
#include "meeting_detail.h"
#include "meetings_window_model.h"
#include "menu_model.h"
#include "sample_library.h"

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
  return {name, QUrl(QStringLiteral("qrc:/snapshots/MeetingSheet.qml")),
          {{"path", path}, {"title", titleOf(path)}}, 0, 0};
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
  return {name, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MenuView.qml")),
          {{QStringLiteral("menu"), QVariant::fromValue(menu)}}, 0, 0};
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

// The meetings window over a library of its own in a temporary folder, read with a fixed "now"
// (Friday 14 March 2025, 10:00 in Madrid); `selectTitle` picks the meeting shown beside the list.
SnapshotView meetingsView(const QString& name, bool sample, const std::string& selectTitle) {
  namespace fs = std::filesystem;
  using namespace std::chrono_literals;
  // A library of its own for every call: the views are listed again for each appearance.
  static QTemporaryDir scratch;
  static int made = 0;
  const fs::path root =
      fs::path(scratch.path().toStdString()) / (name.toStdString() + std::to_string(++made));
  const fs::path preferences = root / "config" / "preferences.json";
  fs::create_directories(preferences.parent_path());
  std::ofstream(preferences) << nlohmann::json{
      {"v2.settings", {{"notesFolder", core::folderURL(root / "notes")}}}}.dump();
  const core::Date now =
      core::Date(std::chrono::sys_days(std::chrono::year(2025) / 3 / 14) + 9h);
  std::string selected;
  if (sample) {
    test::SampleLibrary library(core::MeetingStore(root / "meetings"), root / "notes");
    library.addTypicalTerm(now);
    for (const auto& entry : library.store().entries(library.notesFolder()))
      if (entry.title == selectTitle) selected = entry.id;
  }
  auto* app = new app::AppModel(
      app::AppModel::Options{core::MeetingStore(root / "meetings"),
                             std::make_shared<core::MemorySecretStore>(),
                             core::Preferences(preferences), fs::path("/bin/true")},
      QCoreApplication::instance());
  auto* meetings = new app::MeetingsWindowModel(
      *app, app::MeetingsWindowModel::Options{[now] { return now; }, "es_ES", "Europe/Madrid"},
      app);
  meetings->refresh();
  return {name, QUrl(QStringLiteral("qrc:/qt/qml/Kelvora/MeetingsView.qml")),
          {{QStringLiteral("meetings"), QVariant::fromValue(meetings)}}, 1100, 760,
          [meetings, selected = QString::fromStdString(selected)] {
            if (!meetings->list()->loaded() || meetings->list()->refreshing()) return false;
            if (selected.isEmpty()) return true;
            if (meetings->selection() != selected) meetings->select(selected);
            app::MeetingDetail* detail = meetings->detail();
            return !detail->hasFile() || detail->fileLoaded();
          }};
}

}  // namespace

std::vector<SnapshotView> snapshotViews(const QStringList& meetingFiles) {
  std::vector<SnapshotView> views;
  // Add a view here: its sheet goes into sheets/ (picked up by CMakeLists.txt), or point at a
  // component of the Kelvora module and pass the data it needs as properties.
  views.push_back({QStringLiteral("buttons"), QUrl(QStringLiteral("qrc:/snapshots/ButtonSheet.qml")),
                   {}, 0, 0});
  views.push_back(meetingView(QStringLiteral("meeting-file"),
                              QStringLiteral(KELV_SNAPSHOT_FIXTURES "/clase-algebra-lineal.md")));
  addMenuViews(views);
  views.push_back(meetingsView(QStringLiteral("meetings"), true, "Historia del arte: el Barroco"));
  views.push_back(
      meetingsView(QStringLiteral("meetings-attention"), true, "Álgebra lineal: autovalores"));
  views.push_back(meetingsView(QStringLiteral("meetings-empty"), false, ""));
  for (const QString& path : meetingFiles)
    views.push_back(meetingView(QStringLiteral("file-") + QFileInfo(path).completeBaseName(),
                                QFileInfo(path).absoluteFilePath()));
  return views;
}

}  // namespace kelv::snapshots
