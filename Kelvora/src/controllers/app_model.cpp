#include "controllers/app_model.h"

#include <QCoreApplication>

#include "controllers/audio_import.h"
#include "desktop/notifier.h"
#include "desktop/sleep_watcher.h"
#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/migration.h"
#include "shell/qt_text.h"
#include "view_models/settings_model.h"

namespace kelv::app {

namespace {

std::filesystem::path besideApplication() {
  return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "kelv";
}

}  // namespace

AppModel& AppModel::shared(const core::Environment& environment) {
  // Never destroyed: callbacks may still arrive while the process ends.
  static AppModel* model = new AppModel(Options{
      core::MeetingStore(core::MeetingStore::rootFor(environment.meetingsFolder)),
      std::make_shared<core::Keychain>(core::Keychain::serviceFor(environment.preferencesSuite)),
      core::Preferences::standard(environment.preferencesSuite),
      std::nullopt,
      {},
      environment.fakeCapture});
  return *model;
}

AppModel::AppModel(Options options, QObject* parent)
    : QObject(parent),
      store_(std::move(options.store)),
      settings_(std::move(options.defaults), std::move(options.secrets)),
      kelv_(options.kelv.value_or(besideApplication())) {
  const bool fakeCapture = options.fakeCapture;
  background_ = std::make_unique<BackgroundProcessing>(store_, settings_, kelv_);
  recording_ = std::make_unique<RecordingControl>(
      store_, settings_,
      RecordingControl::Options{
          fakeCapture,
          // A recording runs now; offering to record a call would only confuse.
          [this] { calls_->withdrawPrompts(); },
          [this](const core::MeetingFolder& folder) { background_->enqueue(folder); }});
  calls_ = std::make_unique<CallControl>(
      settings_, *recording_, CallControl::Options{fakeCapture, std::move(options.callClock)});

  connect(recording_.get(), &RecordingControl::recorderChanged, this, &AppModel::recorderChanged);
  connect(recording_.get(), &RecordingControl::startedAtChanged, this, &AppModel::startedAtChanged);
  connect(recording_.get(), &RecordingControl::lowDiskSpaceChanged, this,
          &AppModel::lowDiskSpaceChanged);
  connect(background_.get(), &BackgroundProcessing::queueChanged, this, &AppModel::queueChanged);
  connect(background_.get(), &BackgroundProcessing::processingIDChanged, this,
          &AppModel::processingIDChanged);
  connect(background_.get(), &BackgroundProcessing::modelDownloadChanged, this,
          &AppModel::modelDownloadChanged);
  connect(calls_.get(), &CallControl::callsChanged, this, &AppModel::callsChanged);
}

AppModel::~AppModel() {
  quitting_ = true;
  // Processing first so its worker picks nothing more, then the recording, then the calls
  // that may still refer to it.
  background_.reset();
  recording_.reset();
  calls_.reset();
}

void AppModel::toggle() {
  if (isRecording())
    stop();
  else
    start();
}

void AppModel::prepareForSleep() {
  if (!isRecording()) return;
  stop();
  stoppedForSleep_ = true;
  Notifier::post("Grabación detenida",
                 "Your computer went to sleep. The meeting will be processed as usual.");
}

void AppModel::resumeAfterSleep() {
  if (!stoppedForSleep_) return;
  stoppedForSleep_ = false;
  calls_->restart();
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
  background_->resumePending();
  calls_->watch();
  watchSleep();
}

void AppModel::watchSleep() {
  if (sleepWatcher_) return;
  sleepWatcher_ = new SleepWatcher(this);
  connect(sleepWatcher_, &SleepWatcher::aboutToSleep, this, &AppModel::prepareForSleep);
  connect(sleepWatcher_, &SleepWatcher::wokeUp, this, &AppModel::resumeAfterSleep);
  sleepWatcher_->start();
}

void AppModel::terminate() {
  quitting_ = true;
  background_->terminate();
  recording_->abandon();
}

void AppModel::setSettingsModel(SettingsModel* model) {
  if (settingsModel_) disconnect(&settingsModel_->record(), nullptr, this, nullptr);
  settingsModel_ = model;
  if (!model) return;
  connect(&model->record(), &SettingsRecord::saved, this,
          [this, record = &model->record()](const core::Settings& previous) {
            if (previous.askToRecordCalls != record->settings().askToRecordCalls) watchCalls();
          });
}

void AppModel::ignore(const core::CallApp& app) {
  // Saved through the settings being edited, when there are any, so their window shows the
  // choice and their next save doesn't drop it.
  if (settingsModel_) settingsModel_->general().ignoreCallApp(app.id);
  calls_->ignore(app);
}

void AppModel::importAudio(const std::vector<std::filesystem::path>& files) {
  const core::MeetingFolder folder = AudioImport::run(store_, settings_, files);
  enqueue(folder);
  select(QString::fromStdString(folder.id()));
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
  const std::optional<int64_t>& bytes = lowDiskSpace();
  return bytes ? QVariant::fromValue<qint64>(*bytes) : QVariant();
}

QVariantList AppModel::queueValue() const {
  QVariantList rows;
  for (const QueuedMeeting& meeting : queue())
    rows.append(QVariantMap{{"id", text(meeting.id)}, {"label", text(meeting.label)}});
  return rows;
}

QVariantList AppModel::callsValue() const {
  QVariantList rows;
  for (const core::CallApp& app : calls())
    rows.append(QVariantMap{{"id", text(app.id)}, {"name", text(app.name)}});
  return rows;
}

}  // namespace kelv::app
