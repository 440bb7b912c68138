// Processing in the background: the queue of meetings waiting to be processed and the `kelv`
// child that processes them, one at a time, plus the on-device model download. The outcome of
// a run is read from the meeting folder's status and shown as a notification.
//
// Main thread only: the queue's worker thread hands each meeting to the main thread, where the
// child runs, and waits there until the child has ended.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/settings_store.h"
#include "shell/main_thread.h"

namespace kelv::core {
class ProcessingQueue;
}

namespace kelv::app {

class BackgroundProcessing : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Owned by the application model.")

 public:
  // Where the on-device model download stands. Upper-case keys, so QML can name them.
  enum class ModelDownload {
    // Not started: another backend transcribes, or the download was never asked for.
    None,
    Running,
    Ready,
    // It failed; the first meeting processed on the device fetches the model instead.
    Deferred,
  };
  Q_ENUM(ModelDownload)

  // One row of the waiting list.
  struct QueuedMeeting {
    std::string id;
    // The meeting's title, else its start time ("Mar 14, 2025, 9:15 AM").
    std::string label;
    bool operator==(const QueuedMeeting&) const = default;
  };

  // `store` and `settings` outlive this object; `kelv` is the processing tool.
  BackgroundProcessing(core::MeetingStore& store, const core::SettingsStore& settings,
                       std::filesystem::path kelv, QObject* parent = nullptr);
  ~BackgroundProcessing() override;

  const std::vector<QueuedMeeting>& queue() const { return queue_; }
  // The meeting whose child runs now.
  const std::optional<QString>& processingID() const { return processingID_; }
  ModelDownload modelDownloadState() const { return modelDownloadState_; }
  // The state of the model download as shown to the user, absent for ModelDownload::None.
  const std::optional<QString>& modelDownload() const { return modelDownload_; }
  bool isChildRunning() const { return child_ != nullptr; }

  // Queues a meeting; its turn comes after those already waiting.
  void enqueue(const core::MeetingFolder& folder);
  // Queues every meeting that was waiting when the application last ended.
  void resumePending();
  // Rebuilds the waiting list from the store.
  void refreshQueue();
  // Processes a finished meeting again; busy entries are left alone. Throws when the folder
  // can't be prepared.
  void reprocess(const core::MeetingEntry& entry);
  // Fetches the on-device model in a child, once, and only for the on-device backend.
  void downloadModel();
  // The process is ending: a running child is asked to end and its outcome is not reported;
  // the meeting stays queued for the next launch.
  void terminate();

 signals:
  void queueChanged();
  void processingIDChanged();
  void modelDownloadChanged();

 private:
  core::ProcessingQueue& processing();
  void runChild(const core::MeetingFolder& folder, std::function<void()> done);
  void finished(const core::MeetingFolder& folder);
  void fail(const core::MeetingFolder& folder, const QString& message);
  void setProcessingID(std::optional<QString> id);
  void setModelDownload(ModelDownload state);

  core::MeetingStore& store_;
  const core::SettingsStore& settings_;
  std::filesystem::path kelv_;
  std::vector<QueuedMeeting> queue_;
  std::optional<QString> processingID_;
  ModelDownload modelDownloadState_ = ModelDownload::None;
  std::optional<QString> modelDownload_;
  std::unique_ptr<core::ProcessingQueue> processing_;
  QPointer<QProcess> child_;
  bool quitting_ = false;
  MainThreadGuard<BackgroundProcessing> guard_{this};
};

}  // namespace kelv::app
