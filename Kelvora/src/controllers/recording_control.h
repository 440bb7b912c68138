// Starts and stops the recorder and tells what it is doing. A recording that ends, whether the
// user stopped it or it stopped by itself (disk full, capture failure), hands its meeting on
// through `finished`; a recording closed as the process ends hands on nothing, and the next
// launch resumes its processing.
//
// Main thread only: recorder events and capture problems are moved to the main thread before
// they touch it.
#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

#include "kelv/core/calls/call_app.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/settings/settings_store.h"
#include "shell/main_thread.h"

namespace kelv::app {

class RecordingControl : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // Test tones instead of live audio.
    bool fakeCapture = false;
    // A recording began.
    std::function<void()> started;
    // A recording ended and left this meeting to process.
    std::function<void(const core::MeetingFolder&)> finished;
  };

  // `store` and `settings` outlive this object.
  RecordingControl(core::MeetingStore& store, const core::SettingsStore& settings, Options options,
                   QObject* parent = nullptr);
  ~RecordingControl() override;

  const std::shared_ptr<core::Recorder>& recorder() const { return recorder_; }
  bool isRecording() const { return recorder_ != nullptr; }
  const std::optional<QDateTime>& startedAt() const { return startedAt_; }
  // Free bytes once the disk ran low during this recording.
  const std::optional<int64_t>& lowDiskSpace() const { return lowDiskSpace_; }
  // The call this recording was started for.
  const std::optional<core::CallApp>& call() const { return call_; }

  // Starts a recording unless one runs; a failure is shown as a notification. True when a
  // recording runs afterwards because of this call.
  bool start(std::optional<core::CallApp> call = std::nullopt);
  // Stops the running recording and hands its meeting on.
  void stop();
  // Closes a running recording without handing it on (the process is ending).
  void abandon();
  // Applies a recorder event (low disk, stopped by itself).
  void handle(const core::RecorderEvent& event);

 signals:
  void recorderChanged();
  void startedAtChanged();
  void lowDiskSpaceChanged();

 private:
  void clear();

  core::MeetingStore& store_;
  const core::SettingsStore& settings_;
  Options options_;
  std::shared_ptr<core::Recorder> recorder_;
  std::optional<QDateTime> startedAt_;
  std::optional<int64_t> lowDiskSpace_;
  std::optional<core::CallApp> call_;
  MainThreadGuard<RecordingControl> guard_{this};
};

}  // namespace kelv::app
