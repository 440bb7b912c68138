// Calls: watches for call applications while asking to record calls is on, lists the calls
// that run, offers to record each one, records one when asked, and stops that recording when
// its call ends. Applications the user chose to ignore are left alone.
//
// Main thread only: call events are moved to the main thread before they touch it.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

#include "kelv/core/calls/call_app.h"
#include "kelv/core/calls/call_event.h"
#include "kelv/core/settings/settings_store.h"
#include "shell/main_thread.h"

namespace kelv::capture {
class CallWatcher;
}

namespace kelv::app {

class RecordingControl;

class CallControl : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // No call watching at all (test tones instead of live audio).
    bool fakeCapture = false;
    // The call detector's clock in seconds; by default the system uptime.
    std::function<double()> clock;
  };

  // `settings` and `recording` outlive this object.
  CallControl(core::SettingsStore& settings, RecordingControl& recording, Options options,
              QObject* parent = nullptr);
  ~CallControl() override;

  // The call applications in a call now, in the order their calls began.
  const std::vector<core::CallApp>& calls() const { return calls_; }

  // Watches calls when the settings ask to, else stops watching and forgets every call.
  void watch();
  // Starts over after the computer woke from a sleep that stopped a recording: the calls seen
  // before may have ended unseen.
  void restart();
  // Records the call of `app`, when it is in one and nothing records yet.
  void record(const core::CallApp& app);
  // Never asks about `app` again and forgets its call.
  void ignore(const core::CallApp& app);
  // Takes back every offer to record a call (a recording has begun).
  void withdrawPrompts();
  void handle(const core::CallEvent& event);

 signals:
  void callsChanged();

 private:
  capture::CallWatcher& watcher();
  void setCalls(std::vector<core::CallApp> calls);

  core::SettingsStore& settings_;
  RecordingControl& recording_;
  Options options_;
  std::vector<core::CallApp> calls_;
  std::unique_ptr<capture::CallWatcher> watcher_;
  MainThreadGuard<CallControl> guard_{this};
};

}  // namespace kelv::app
