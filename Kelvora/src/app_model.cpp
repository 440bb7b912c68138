// Construction, recording control, sleep, launch and the end of the process.
#include "app_model.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdlib>
#include <cstring>

#include "call_prompt.h"
#include "kelv/capture/call_watcher.h"
#include "kelv/capture/live_capture.h"
#include "kelv/capture/tone_source.h"
#include "kelv/core/processing/processing_queue.h"
#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/migration.h"
#include "kelv/core/util/byte_count.h"
#include "notifier.h"
#include "sleep_watcher.h"

namespace kelv::app {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

std::filesystem::path besideApplication() {
  return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "kelv";
}

}  // namespace

bool AppModel::usesFakeCapture() {
  const char* value = std::getenv("KELV_FAKE_CAPTURE");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

AppModel& AppModel::shared() {
  // Never destroyed: callbacks may still arrive while the process ends.
  static AppModel* model = new AppModel(Options{
      core::MeetingStore(core::MeetingStore::rootFromEnvironment()),
      std::make_shared<core::Keychain>(), std::nullopt, std::nullopt, {}});
  return *model;
}

AppModel::AppModel(Options options, QObject* parent)
    : QObject(parent),
      self_(std::make_shared<AppModel*>(this)),
      store_(std::move(options.store)),
      settings_(std::move(options.defaults), std::move(options.secrets)),
      kelv_(options.kelv.value_or(besideApplication())),
      callClock_(std::move(options.callClock)) {}

AppModel::~AppModel() {
  *self_ = nullptr;
  quitting_ = true;
  // Let go of the queue first so its worker picks nothing more; the worker waiting for the
  // running child is released when that child's handlers are destroyed with it.
  processing_.reset();
  if (recorder_) {
    try {
      recorder_->stop();
    } catch (...) {
    }
  }
  callWatcher_.reset();
}

void AppModel::onMain(const std::shared_ptr<AppModel*>& self,
                      std::function<void(AppModel&)> work) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [self, work = std::move(work)] {
        if (*self != nullptr) work(**self);
      },
      Qt::QueuedConnection);
}

void AppModel::start() {
  if (recorder_) return;
  try {
    std::shared_ptr<core::CaptureSource> source;
    if (usesFakeCapture()) {
      source = std::make_shared<capture::ToneSource>();
    } else {
      source = std::make_shared<capture::LiveCapture>([self = self_](const std::string& message) {
        onMain(self, [message](AppModel&) { Notifier::post("Problema al grabar", text(message)); });
      });
    }
    core::Recorder::Options options;
    options.language = settings_.load().meetingLanguage();
    options.flushInterval = 2.0;
    options.onEvent = [self = self_](const core::RecorderEvent& event) {
      onMain(self, [event](AppModel& model) { model.handle(event); });
    };
    recorder_ = core::Recorder::start(store_, std::move(source), std::move(options));
  } catch (const std::exception& error) {
    Notifier::post("No se pudo empezar a grabar", QString::fromUtf8(error.what()));
    return;
  }
  emit recorderChanged();
  startedAt_ = QDateTime::currentDateTime();
  emit startedAtChanged();
  // A recording runs now; offering to record a call would only confuse.
  CallPrompt::withdraw(calls_);
}

void AppModel::clearRecording() {
  recorder_.reset();
  emit recorderChanged();
  if (startedAt_) {
    startedAt_.reset();
    emit startedAtChanged();
  }
  if (lowDiskSpace_) {
    lowDiskSpace_.reset();
    emit lowDiskSpaceChanged();
  }
  recordingCall_.reset();
}

void AppModel::stop() {
  if (!recorder_) return;
  const std::shared_ptr<core::Recorder> recorder = recorder_;
  // The interface shows the idle state before the last samples are written.
  clearRecording();
  core::MeetingFolder folder = recorder->folder();
  try {
    folder = recorder->stop();
  } catch (const std::exception& error) {
    Notifier::post("The recording didn't close cleanly", QString::fromUtf8(error.what()));
  }
  enqueue(folder);
}

void AppModel::toggle() {
  if (recorder_)
    stop();
  else
    start();
}

void AppModel::handle(const core::RecorderEvent& event) {
  switch (event.kind) {
    case core::RecorderEvent::Kind::lowDisk:
      lowDiskSpace_ = event.freeBytes;
      emit lowDiskSpaceChanged();
      Notifier::post("Poco espacio en disco",
                     text(core::formatByteCount(event.freeBytes) + " free. Recording stops below " +
                          core::formatByteCount(core::Recorder::stopBelow) + "."));
      break;
    case core::RecorderEvent::Kind::stopped:
      if (!event.folder) return;
      if (recorder_ && recorder_->folder().id() == event.folder->id()) clearRecording();
      Notifier::post("Grabación detenida", text(event.reason));
      enqueue(*event.folder);
      break;
  }
}

void AppModel::systemWillSleep() {
  if (!recorder_) return;
  stop();
  stoppedForSleep_ = true;
  Notifier::post("Grabación detenida",
                 "Your computer went to sleep. The meeting will be processed as usual.");
}

void AppModel::systemDidWake() {
  if (!stoppedForSleep_) return;
  stoppedForSleep_ = false;
  if (!settings_.load().askToRecordCalls || usesFakeCapture()) return;
  callWatcher().stop();
  CallPrompt::withdraw(calls_);
  setCalls({});
  callWatcher().start();
}

void AppModel::launch() {
  if (launched_) return;
  launched_ = true;
  // Before anything saves the settings: the unreadable file is kept aside, and the user hears
  // why every setting is back at its default.
  if (const auto problem = settings_.readProblem())
    Notifier::post("No se pudieron leer los ajustes", text(*problem));
  try {
    core::Migration::runIfNeeded(settings_);
  } catch (...) {
    // The migration is retried at the next launch; the application works without it.
  }
  try {
    for (const core::RecoveredMeeting& meeting : store_.recoverInterruptedMeetings())
      Notifier::post(text(meeting.message()), "Its Meeting file will be marked as interrupted.",
                     text(meeting.folder.id()));
  } catch (...) {
    // An unreadable store shows up in the meetings window; nothing to repair here.
  }
  onMain(self_, [](AppModel& model) {
    try {
      model.processing().resumePending();
    } catch (...) {
    }
    model.refreshQueue();
  });
  watchCalls();
  watchSleep();
}

void AppModel::watchSleep() {
  if (sleepWatcher_) return;
  sleepWatcher_ = new SleepWatcher(this);
  connect(sleepWatcher_, &SleepWatcher::willSleep, this, &AppModel::systemWillSleep);
  connect(sleepWatcher_, &SleepWatcher::didWake, this, &AppModel::systemDidWake);
  sleepWatcher_->start();
}

void AppModel::terminate() {
  quitting_ = true;
  if (child_) {
    child_->terminate();
    // The tool checkpoints as it goes; a child that won't end is killed with the process.
    child_->waitForFinished(5000);
  }
  if (recorder_) {
    const std::shared_ptr<core::Recorder> recorder = std::move(recorder_);
    try {
      recorder->stop();
    } catch (...) {
      // The folder stays in a state the next launch repairs or resumes.
    }
    emit recorderChanged();
  }
}

void AppModel::select(const QString& id) {
  select(id.isEmpty() ? std::nullopt : std::optional<QString>(id));
}

void AppModel::select(const std::optional<QString>& id) {
  if (selection_ == id) return;
  selection_ = id;
  emit selectionChanged();
}

QVariant AppModel::lowDiskSpaceValue() const {
  return lowDiskSpace_ ? QVariant::fromValue<qint64>(*lowDiskSpace_) : QVariant();
}

QVariantList AppModel::queueValue() const {
  QVariantList rows;
  for (const QueuedMeeting& meeting : queue_)
    rows.append(QVariantMap{{"id", text(meeting.id)}, {"label", text(meeting.label)}});
  return rows;
}

QVariantList AppModel::callsValue() const {
  QVariantList rows;
  for (const core::CallApp& app : calls_)
    rows.append(QVariantMap{{"id", text(app.id)}, {"name", text(app.name)}});
  return rows;
}

}  // namespace kelv::app
