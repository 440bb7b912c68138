// The application's one model: the object the tray menu and the windows observe, and the one
// every user action goes through. It owns the meeting store and the settings store and hands
// the work to focused objects: recording control, background processing (the queue and the
// `kelv` child), calls, and import.
//
// Observable fields are Qt properties with change signals, so the views redraw from them. The
// model lives on the main thread and changes only there.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controllers/background_processing.h"
#include "controllers/call_control.h"
#include "controllers/recording_control.h"
#include "kelv/core/calls/call_app.h"
#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/environment.h"

namespace kelv::app {

class SettingsModel;
class SleepWatcher;

class AppModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The application has one, made at start.")
  Q_PROPERTY(bool recording READ isRecording NOTIFY recorderChanged)
  Q_PROPERTY(QDateTime startedAt READ startedAtValue NOTIFY startedAtChanged)
  Q_PROPERTY(QVariantList queue READ queueValue NOTIFY queueChanged)
  Q_PROPERTY(QString processingID READ processingIDValue NOTIFY processingIDChanged)
  Q_PROPERTY(QVariant lowDiskSpace READ lowDiskSpaceValue NOTIFY lowDiskSpaceChanged)
  Q_PROPERTY(QString selection READ selectionValue WRITE select NOTIFY selectionChanged)
  Q_PROPERTY(QString modelDownload READ modelDownloadValue NOTIFY modelDownloadChanged)
  Q_PROPERTY(QVariantList calls READ callsValue NOTIFY callsChanged)

 public:
  using QueuedMeeting = BackgroundProcessing::QueuedMeeting;

  struct Options {
    core::MeetingStore store;
    std::shared_ptr<core::SecretStore> secrets;
    core::Preferences defaults;
    // The processing tool; by default `kelv` beside the application's executable.
    std::optional<std::filesystem::path> kelv;
    // The call detector's clock in seconds; by default the system uptime.
    std::function<double()> callClock;
    // Test tones instead of live audio, and no call watching.
    bool fakeCapture = false;
  };

  // The application's model for `environment`: its store root, its preferences suite and the
  // keychain service that goes with it. Made on first use, on the main thread.
  static AppModel& shared(const core::Environment& environment);

  explicit AppModel(Options options, QObject* parent = nullptr);
  ~AppModel() override;

  const core::MeetingStore& store() const { return store_; }
  const core::SettingsStore& settings() const { return settings_; }
  const std::filesystem::path& kelvPath() const { return kelv_; }

  // Observable state.
  const std::shared_ptr<core::Recorder>& recorder() const { return recording_->recorder(); }
  bool isRecording() const { return recording_->isRecording(); }
  const std::optional<QDateTime>& startedAt() const { return recording_->startedAt(); }
  const std::vector<QueuedMeeting>& queue() const { return background_->queue(); }
  const std::optional<QString>& processingID() const { return background_->processingID(); }
  const std::optional<int64_t>& lowDiskSpace() const { return recording_->lowDiskSpace(); }
  const std::optional<QString>& selection() const { return selection_; }
  const std::optional<QString>& modelDownload() const { return background_->modelDownload(); }
  BackgroundProcessing::ModelDownload modelDownloadState() const {
    return background_->modelDownloadState();
  }
  const std::vector<core::CallApp>& calls() const { return calls_->calls(); }
  const std::optional<core::CallApp>& recordingCall() const { return recording_->call(); }
  bool isQuitting() const { return quitting_; }
  bool isProcessingChildRunning() const { return background_->isChildRunning(); }

  // Recording control.
  Q_INVOKABLE void start() { recording_->start(); }
  Q_INVOKABLE void stop() { recording_->stop(); }
  // Start when idle, stop when recording (the global hotkey).
  Q_INVOKABLE void toggle();
  // The computer is about to sleep: a running recording is stopped and queued as usual.
  void prepareForSleep();
  // The computer woke: call watching restarts when the sleep stopped a recording.
  void resumeAfterSleep();

  // Start-up, once: migration, repair of interrupted recordings, resumption of pending
  // processing, call and sleep watching.
  void launch();
  // The application is ending: a running child is asked to terminate and a running recording
  // is stopped without being queued (the next launch queues it).
  void terminate();

  // Background processing.
  void enqueue(const core::MeetingFolder& folder) { background_->enqueue(folder); }
  void refreshQueue() { background_->refreshQueue(); }
  // Processes a finished meeting again. Throws when the folder can't be prepared.
  void reprocess(const core::MeetingEntry& entry) { background_->reprocess(entry); }
  Q_INVOKABLE void downloadModel() { background_->downloadModel(); }

  // Calls.
  void watchCalls() { calls_->watch(); }
  void record(const core::CallApp& app) { calls_->record(app); }
  void ignore(const core::CallApp& app);
  // The settings being edited; the "don't ask again" choice goes through them so the settings
  // window shows it at once and their next save keeps it, and their saves of the call-asking
  // switch start or stop call watching.
  void setSettingsModel(SettingsModel* model);

  // Imports one dropped audio file as a new meeting, queues it and selects it. Throws
  // core::PlatformError ("Drop a single audio file to import it.") and the import's own errors.
  void importAudio(const std::vector<std::filesystem::path>& files);

  void select(const QString& id);
  void select(const std::optional<QString>& id);

  // Property values for QML.
  QDateTime startedAtValue() const { return startedAt().value_or(QDateTime()); }
  QVariantList queueValue() const;
  QString processingIDValue() const { return processingID().value_or(QString()); }
  QVariant lowDiskSpaceValue() const;
  QString selectionValue() const { return selection_.value_or(QString()); }
  QString modelDownloadValue() const { return modelDownload().value_or(QString()); }
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
  void watchSleep();

  core::MeetingStore store_;
  core::SettingsStore settings_;
  std::filesystem::path kelv_;
  std::unique_ptr<BackgroundProcessing> background_;
  std::unique_ptr<RecordingControl> recording_;
  std::unique_ptr<CallControl> calls_;
  std::optional<QString> selection_;
  QPointer<SettingsModel> settingsModel_;
  SleepWatcher* sleepWatcher_ = nullptr;
  bool launched_ = false;
  bool quitting_ = false;
  bool stoppedForSleep_ = false;
};

}  // namespace kelv::app
