#include "controllers/background_processing.h"

#include <future>
#include <mutex>

#include "controllers/processing_child.h"
#include "desktop/notifier.h"
#include "kelv/core/backends/backend_type.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/processing/processing.h"
#include "kelv/core/processing/processing_queue.h"
#include "shell/qt_text.h"

namespace kelv::app {

namespace {

// Tells the queue's worker that a child run is over, exactly once: when asked to, or when the
// last holder lets go (the run was dropped because the processing went away).
class Completion {
 public:
  Completion() = default;
  Completion(const Completion&) = delete;
  Completion& operator=(const Completion&) = delete;
  ~Completion() { finish(); }

  std::future<void> future() { return promise_.get_future(); }
  void finish() {
    std::call_once(once_, [this] { promise_.set_value(); });
  }

 private:
  std::promise<void> promise_;
  std::once_flag once_;
};

}  // namespace

BackgroundProcessing::BackgroundProcessing(core::MeetingStore& store,
                                           const core::SettingsStore& settings,
                                           std::filesystem::path kelv, QObject* parent)
    : QObject(parent), store_(store), settings_(settings), kelv_(std::move(kelv)) {}

BackgroundProcessing::~BackgroundProcessing() {
  quitting_ = true;
  // Let go of the queue first so its worker picks nothing more; the worker waiting for the
  // running child is released when that child's handlers are destroyed with it.
  processing_.reset();
}

void BackgroundProcessing::terminate() {
  quitting_ = true;
  if (child_) {
    child_->terminate();
    // The tool checkpoints as it goes; a child that won't end is killed with the process.
    child_->waitForFinished(5000);
  }
}

core::ProcessingQueue& BackgroundProcessing::processing() {
  if (!processing_) {
    // The queue's worker thread waits here while the child runs on the main thread, so at most
    // one child runs at any moment.
    processing_ = std::make_unique<core::ProcessingQueue>(
        store_, [post = guard_.poster()](const core::MeetingFolder& folder) {
          auto completion = std::make_shared<Completion>();
          std::future<void> finished = completion->future();
          post([folder, completion](BackgroundProcessing& background) {
            background.runChild(folder, [completion] { completion->finish(); });
          });
          finished.wait();
        });
  }
  return *processing_;
}

void BackgroundProcessing::enqueue(const core::MeetingFolder& folder) {
  guard_.post([folder](BackgroundProcessing& background) {
    try {
      background.processing().enqueue(folder);
    } catch (...) {
      // An unreadable status leaves the meeting out of the queue.
    }
    background.refreshQueue();
  });
}

void BackgroundProcessing::resumePending() {
  guard_.post([](BackgroundProcessing& background) {
    try {
      background.processing().resumePending();
    } catch (...) {
    }
    background.refreshQueue();
  });
}

void BackgroundProcessing::refreshQueue() {
  std::vector<QueuedMeeting> queue;
  for (const core::MeetingFolder& folder : store_.list()) {
    try {
      const core::MeetingStatus status = folder.readStatus();
      if (status.state != core::MeetingStatus::State::processing) continue;
      queue.push_back(
          {folder.id(), core::MeetingFileWriter::displayTitle(status.title, status.startedAt)});
    } catch (...) {
      // Unreadable statuses are not waiting for anything.
    }
  }
  if (queue == queue_) return;
  queue_ = std::move(queue);
  emit queueChanged();
}

void BackgroundProcessing::setProcessingID(std::optional<QString> id) {
  if (processingID_ == id) return;
  processingID_ = std::move(id);
  emit processingIDChanged();
}

void BackgroundProcessing::runChild(const core::MeetingFolder& folder, std::function<void()> done) {
  QProcess* child = makeKelvChild(kelv_, {"process", text(folder.id())}, true, this);
  setProcessingID(text(folder.id()));
  refreshQueue();

  auto ended = [this, child, folder, done](std::optional<QString> launchError) {
    child->disconnect(this);
    child->deleteLater();
    if (child_ == child) child_ = nullptr;
    setProcessingID(std::nullopt);
    if (!quitting_) {
      if (launchError)
        fail(folder, "Couldn't start Processing: " + *launchError);
      else
        finished(folder);
      refreshQueue();
    }
    done();
  };
  connect(child, &QProcess::finished, this, [ended] { ended(std::nullopt); });

  child->start();
  if (!child->waitForStarted(-1)) {
    const QString error = child->errorString();
    child->disconnect(this);
    ended(error);
    return;
  }
  child_ = child;
  // The child reads its standard input to the end; a child that died already sees nothing
  // and reports through the folder (SIGPIPE is ignored process-wide).
  child->write(passedSecrets(settings_));
  child->closeWriteChannel();
}

void BackgroundProcessing::finished(const core::MeetingFolder& folder) {
  std::optional<core::MeetingStatus> status;
  try {
    status = folder.readStatus();
  } catch (...) {
    return;
  }
  const QString id = text(folder.id());
  switch (status->state) {
    case core::MeetingStatus::State::done: {
      const QString name = status->meetingFile
                               ? text(std::filesystem::path(*status->meetingFile).stem().string())
                               : QString();
      Notifier::post("Apuntes listos", name, id);
      break;
    }
    case core::MeetingStatus::State::needsAttention:
      Notifier::post("Una clase requiere atención", text(status->lastError.value_or("")), id);
      break;
    case core::MeetingStatus::State::processing:
      if (!folder.isBusy()) fail(folder, "Processing stopped unexpectedly.");
      break;
    case core::MeetingStatus::State::recording:
      break;
  }
}

void BackgroundProcessing::fail(const core::MeetingFolder& folder, const QString& message) {
  try {
    folder.updateStatus([&](core::MeetingStatus& status) {
      status.state = core::MeetingStatus::State::needsAttention;
      status.lastError = message.toStdString();
    });
  } catch (...) {
    // The notification still tells the user; the folder is repaired at the next launch.
  }
  Notifier::post("Una clase requiere atención", message, text(folder.id()));
}

void BackgroundProcessing::reprocess(const core::MeetingEntry& entry) {
  if (!entry.folder || entry.isBusy()) return;
  core::Processing::prepareReprocess(*entry.folder);
  enqueue(*entry.folder);
}

void BackgroundProcessing::setModelDownload(ModelDownload state) {
  if (modelDownloadState_ == state) return;
  modelDownloadState_ = state;
  switch (state) {
    case ModelDownload::None:
      modelDownload_.reset();
      break;
    case ModelDownload::Running:
      modelDownload_ = "Downloading the transcription model in the background…";
      break;
    case ModelDownload::Ready:
      modelDownload_ = "Transcription model ready.";
      break;
    case ModelDownload::Deferred:
      modelDownload_ = "The transcription model will download with your first Meeting.";
      break;
  }
  emit modelDownloadChanged();
}

void BackgroundProcessing::downloadModel() {
  if (modelDownloadState_ != ModelDownload::None) return;
  if (settings_.load().transcription.type != core::TranscriptionBackendType::onDevice) return;
  QProcess* child = makeKelvChild(kelv_, {"download"}, false, this);
  connect(
      child, &QProcess::finished, this, [this, child](int exitCode, QProcess::ExitStatus status) {
        child->deleteLater();
        setModelDownload(status == QProcess::NormalExit && exitCode == 0 ? ModelDownload::Ready
                                                                         : ModelDownload::Deferred);
      });
  setModelDownload(ModelDownload::Running);
  child->start();
  if (!child->waitForStarted(-1)) {
    child->disconnect(this);
    child->deleteLater();
    setModelDownload(ModelDownload::None);
  }
}

}  // namespace kelv::app
