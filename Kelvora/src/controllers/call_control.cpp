#include "controllers/call_control.h"

#include <algorithm>

#include "controllers/call_prompt.h"
#include "controllers/recording_control.h"
#include "desktop/notifier.h"
#include "kelv/capture/call_watcher.h"

namespace kelv::app {

namespace {

bool contains(const std::vector<core::CallApp>& apps, const core::CallApp& app) {
  return std::find(apps.begin(), apps.end(), app) != apps.end();
}

}  // namespace

CallControl::CallControl(core::SettingsStore& settings, RecordingControl& recording,
                         Options options, QObject* parent)
    : QObject(parent), settings_(settings), recording_(recording), options_(std::move(options)) {}

CallControl::~CallControl() = default;

capture::CallWatcher& CallControl::watcher() {
  if (!watcher_) {
    watcher_ = std::make_unique<capture::CallWatcher>(
        [post = guard_.poster()](const core::CallEvent& event) {
          post([event](CallControl& control) { control.handle(event); });
        },
        options_.clock);
  }
  return *watcher_;
}

void CallControl::setCalls(std::vector<core::CallApp> calls) {
  if (calls == calls_) return;
  calls_ = std::move(calls);
  emit callsChanged();
}

void CallControl::watch() {
  if (settings_.load().askToRecordCalls && !options_.fakeCapture) {
    watcher().start();
    return;
  }
  if (watcher_) watcher_->stop();
  CallPrompt::withdraw(calls_);
  setCalls({});
}

void CallControl::restart() {
  if (!settings_.load().askToRecordCalls || options_.fakeCapture) return;
  watcher().stop();
  CallPrompt::withdraw(calls_);
  setCalls({});
  watcher().start();
}

void CallControl::withdrawPrompts() { CallPrompt::withdraw(calls_); }

void CallControl::handle(const core::CallEvent& event) {
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
    if (!recording_.isRecording()) CallPrompt::post(app);
    return;
  }
  std::vector<core::CallApp> calls = calls_;
  std::erase(calls, app);
  setCalls(std::move(calls));
  CallPrompt::withdraw({app});
  if (recording_.call() == app && recording_.isRecording()) {
    recording_.stop();
    Notifier::post("Grabación detenida",
                   QString::fromStdString("The " + app.name + " call ended."));
  }
}

void CallControl::record(const core::CallApp& app) {
  if (!contains(calls_, app) || recording_.isRecording()) return;
  recording_.start(app);
}

void CallControl::ignore(const core::CallApp& app) {
  core::Settings settings = settings_.load();
  auto& ignored = settings.ignoredCallApps;
  if (std::find(ignored.begin(), ignored.end(), app.id) == ignored.end()) {
    ignored.push_back(app.id);
    try {
      settings_.save(settings);
    } catch (...) {
      // Unsaved, the application is still left alone for the rest of this call.
    }
    watch();
  }
  CallPrompt::withdraw({app});
  std::vector<core::CallApp> calls = calls_;
  std::erase(calls, app);
  setCalls(std::move(calls));
}

}  // namespace kelv::app
