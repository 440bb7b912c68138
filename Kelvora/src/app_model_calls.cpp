// Calls, ignoring call applications, and importing a dropped file.
#include <QMimeDatabase>

#include <algorithm>
#include <cerrno>

#include "app_model.h"
#include "settings_model.h"
#include "call_prompt.h"
#include "kelv/capture/call_watcher.h"
#include "kelv/core/util/platform_error.h"
#include "notifier.h"

namespace kelv::app {

namespace {

bool contains(const std::vector<core::CallApp>& apps, const core::CallApp& app) {
  return std::find(apps.begin(), apps.end(), app) != apps.end();
}

// Audio or video by the MIME type of the file's name (shared-mime-info).
bool isAudioVisual(const std::filesystem::path& file) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(file.string()),
                                                         QMimeDatabase::MatchExtension);
  const QString name = type.name();
  return type.isValid() && !type.isDefault() &&
         (name.startsWith("audio/") || name.startsWith("video/"));
}

}  // namespace

capture::CallWatcher& AppModel::callWatcher() {
  if (!callWatcher_) {
    callWatcher_ = std::make_unique<capture::CallWatcher>(
        [self = self_](const core::CallEvent& event) {
          onMain(self, [event](AppModel& model) { model.handle(event); });
        },
        callClock_);
  }
  return *callWatcher_;
}

void AppModel::setCalls(std::vector<core::CallApp> calls) {
  if (calls == calls_) return;
  calls_ = std::move(calls);
  emit callsChanged();
}

void AppModel::watchCalls() {
  if (settings_.load().askToRecordCalls && !usesFakeCapture()) {
    callWatcher().start();
    return;
  }
  if (callWatcher_) callWatcher_->stop();
  CallPrompt::withdraw(calls_);
  setCalls({});
}

void AppModel::handle(const core::CallEvent& event) {
  const core::CallApp& app = event.app;
  if (event.kind == core::CallEvent::Kind::started) {
    const core::Settings settings = settings_.load();
    const auto& ignored = settings.ignoredCallApps;
    if (std::find(ignored.begin(), ignored.end(), app.id) != ignored.end()) return;
    if (contains(calls_, app)) return;
    std::vector<core::CallApp> calls = calls_;
    calls.push_back(app);
    setCalls(std::move(calls));
    // While a recording runs the call is only listed.
    if (!recorder_) CallPrompt::post(app);
    return;
  }
  std::vector<core::CallApp> calls = calls_;
  std::erase(calls, app);
  setCalls(std::move(calls));
  CallPrompt::withdraw({app});
  if (recordingCall_ == app && recorder_) {
    stop();
    Notifier::post("Grabación detenida", QString::fromStdString("The " + app.name + " call ended."));
  }
}

void AppModel::record(const core::CallApp& app) {
  if (!contains(calls_, app) || recorder_) return;
  start();
  if (recorder_) recordingCall_ = app;
}

void AppModel::setSettingsModel(SettingsModel* model) { settingsModel_ = model; }

void AppModel::ignore(const core::CallApp& app) {
  if (settingsModel_) {
    // The settings window's record is the one that gets saved.
    settingsModel_->ignoreCallApp(app.id);
    watchCalls();
  } else {
    core::Settings settings = settings_.load();
    auto& ignored = settings.ignoredCallApps;
    if (std::find(ignored.begin(), ignored.end(), app.id) == ignored.end()) {
      ignored.push_back(app.id);
      try {
        settings_.save(settings);
      } catch (...) {
        // Unsaved, the application is still left alone for the rest of this call.
      }
      watchCalls();
    }
  }
  CallPrompt::withdraw({app});
  std::vector<core::CallApp> calls = calls_;
  std::erase(calls, app);
  setCalls(std::move(calls));
}

void AppModel::importAudio(const std::vector<std::filesystem::path>& files) {
  std::error_code error;
  if (files.size() != 1 || !std::filesystem::is_regular_file(files.front(), error) ||
      !isAudioVisual(files.front()))
    throw core::PlatformError(ENOTSUP, "Drop a single audio file to import it.");
  const core::MeetingFolder folder =
      store_.importAudio(files, std::nullopt, settings_.load().meetingLanguage());
  enqueue(folder);
  select(QString::fromStdString(folder.id()));
}

}  // namespace kelv::app
