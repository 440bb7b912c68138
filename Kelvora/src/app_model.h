// The application's one model: it owns the meeting store, the settings store, the running
// recorder, the processing queue and the call watcher, and every user action that records,
// stops, imports or reprocesses goes through it.
//
// Observable fields are Qt properties with change signals, so the tray menu and the windows
// redraw from them. The model lives on the main thread and changes only there; recorder
// events, capture problems, call events and finished children are moved to the main thread
// before they touch it. Meetings are processed by the `kelv` tool in a child process, one at
// a time; the application learns the outcome from the meeting folder's status.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/calls/call_app.h"
#include "kelv/core/calls/call_event.h"
#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/settings/settings_store.h"



namespace kelv::core {
class ProcessingQueue;
}
namespace kelv::capture {
class CallWatcher;
}

namespace kelv::app {

class SettingsModel;
class SleepWatcher;

class AppModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool recording READ isRecording NOTIFY recorderChanged)
  Q_PROPERTY(QDateTime startedAt READ startedAtValue NOTIFY startedAtChanged)
  Q_PROPERTY(QVariantList queue READ queueValue NOTIFY queueChanged)
  Q_PROPERTY(QString processingID READ processingIDValue NOTIFY processingIDChanged)
  Q_PROPERTY(QVariant lowDiskSpace READ lowDiskSpaceValue NOTIFY lowDiskSpaceChanged)
  Q_PROPERTY(QString selection READ selectionValue WRITE select NOTIFY selectionChanged)
  Q_PROPERTY(QString modelDownload READ modelDownloadValue NOTIFY modelDownloadChanged)
  Q_PROPERTY(QVariantList calls READ callsValue NOTIFY callsChanged)

 public:
  // One row of the waiting list.
  struct QueuedMeeting {
    std::string id;
    // The meeting's title, else its start time ("Mar 14, 2025, 9:15 AM").
    std::string label;
    bool operator==(const QueuedMeeting&) const = default;
  };

  struct Options {
    core::MeetingStore store;
    std::shared_ptr<core::SecretStore> secrets;
    std::optional<core::Preferences> defaults;  // none: the standard domain
    // The processing tool; by default `kelv` beside the application's executable.
    std::optional<std::filesystem::path> kelv;
    // The call detector's clock in seconds; by default the system uptime.
    std::function<double()> callClock;
  };

  // The application's model: store from KELV_MEETINGS_DIR or the default root, the standard
  // preferences and the system keychain. Made on first use, on the main thread.
  static AppModel& shared();

  explicit AppModel(Options options, QObject* parent = nullptr);
  ~AppModel() override;

  const core::MeetingStore& store() const { return store_; }
  const core::SettingsStore& settings() const { return settings_; }
  const std::filesystem::path& kelvPath() const { return kelv_; }

  // Observable state.
  const std::shared_ptr<core::Recorder>& recorder() const { return recorder_; }
  bool isRecording() const { return recorder_ != nullptr; }
  const std::optional<QDateTime>& startedAt() const { return startedAt_; }
  const std::vector<QueuedMeeting>& queue() const { return queue_; }
  const std::optional<QString>& processingID() const { return processingID_; }
  const std::optional<int64_t>& lowDiskSpace() const { return lowDiskSpace_; }
  const std::optional<QString>& selection() const { return selection_; }
  const std::optional<QString>& modelDownload() const { return modelDownload_; }
  const std::vector<core::CallApp>& calls() const { return calls_; }
  const std::optional<core::CallApp>& recordingCall() const { return recordingCall_; }
  bool isQuitting() const { return quitting_; }
  bool isProcessingChildRunning() const { return child_ != nullptr; }

  // Recording control.
  Q_INVOKABLE void start();
  Q_INVOKABLE void stop();
  // Start when idle, stop when recording (the global hotkey).
  Q_INVOKABLE void toggle();
  // The computer is about to sleep: a running recording is stopped and queued as usual.
  void systemWillSleep();
  void systemDidWake();

  // Start-up, once: migration, repair of interrupted recordings, resumption of pending
  // processing, call and sleep watching.
  void launch();
  // The application is ending: a running child is asked to terminate and a running recording
  // is stopped without being queued (the next launch queues it).
  void terminate();

  // Background processing.
  void enqueue(const core::MeetingFolder& folder);
  void refreshQueue();
  // Processes a finished meeting again. Throws when the folder can't be prepared.
  void reprocess(const core::MeetingEntry& entry);
  Q_INVOKABLE void downloadModel();

  // Calls.
  void watchCalls();
  void record(const core::CallApp& app);
  void ignore(const core::CallApp& app);
  // The settings being edited; the "don't ask again" choice goes through it so the settings
  // window shows it at once.
  void setSettingsModel(SettingsModel* model);

  // Imports one dropped audio file as a new meeting, queues it and selects it. Throws
  // core::MeetingError ("Drop a single audio file to import it." and the import's own errors).
  void importAudio(const std::vector<std::filesystem::path>& files);

  void select(const QString& id);
  void select(const std::optional<QString>& id);

  // Property values for QML.
  QDateTime startedAtValue() const { return startedAt_.value_or(QDateTime()); }
  QVariantList queueValue() const;
  QString processingIDValue() const { return processingID_.value_or(QString()); }
  QVariant lowDiskSpaceValue() const;
  QString selectionValue() const { return selection_.value_or(QString()); }
  QString modelDownloadValue() const { return modelDownload_.value_or(QString()); }
  QVariantList callsValue() const;

 signals:
  void recorderChanged();
  void startedAtChanged();
  void queueChanged();
  void processingIDChanged();
  void lowDiskSpaceChanged();
  void selectionChanged();
  void modelDownloadChanged();
  void callsChanged();

 private:
  // KELV_FAKE_CAPTURE is exactly "1": test tones instead of live audio, and no call watching.
  static bool usesFakeCapture();
  // Runs `work` on the main thread, from any thread, unless the model is gone by then.
  static void onMain(const std::shared_ptr<AppModel*>& self, std::function<void(AppModel&)> work);

  void handle(const core::RecorderEvent& event);
  void handle(const core::CallEvent& event);
  void clearRecording();
  void runChild(const core::MeetingFolder& folder, std::function<void()> done);
  void finished(const core::MeetingFolder& folder);
  void fail(const core::MeetingFolder& folder, const QString& message);
  core::ProcessingQueue& processing();
  capture::CallWatcher& callWatcher();
  void watchSleep();
  void setCalls(std::vector<core::CallApp> calls);
  void setProcessingID(std::optional<QString> id);
  void setModelDownload(std::optional<QString> text);

  // Cleared by the destructor; callbacks from other threads hold it, never `this`.
  std::shared_ptr<AppModel*> self_;
  core::MeetingStore store_;
  core::SettingsStore settings_;
  std::filesystem::path kelv_;
  std::function<double()> callClock_;

  std::shared_ptr<core::Recorder> recorder_;
  std::optional<QDateTime> startedAt_;
  std::vector<QueuedMeeting> queue_;
  std::optional<QString> processingID_;
  std::optional<int64_t> lowDiskSpace_;
  std::optional<QString> selection_;
  std::optional<QString> modelDownload_;
  std::vector<core::CallApp> calls_;
  std::optional<core::CallApp> recordingCall_;
  std::unique_ptr<capture::CallWatcher> callWatcher_;
  std::unique_ptr<core::ProcessingQueue> processing_;
  QPointer<QProcess> child_;
  QPointer<QProcess> download_;
  QPointer<SettingsModel> settingsModel_;
  SleepWatcher* sleepWatcher_ = nullptr;
  bool launched_ = false;
  bool quitting_ = false;
  bool stoppedForSleep_ = false;
};

}  // namespace kelv::app
