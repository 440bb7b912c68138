#include "view_models/menu_model.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

#include "controllers/app_model.h"
#include "desktop/hotkey.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/util/byte_count.h"
#include "kelv/core/util/duration_text.h"
#include "shell/app_delegate.h"
#include "shell/qt_text.h"

namespace kelv::app {

MenuModel::MenuModel(AppModel& model, QObject* parent) : QObject(parent), model_(&model) {
  for (auto signal :
       {&AppModel::recorderChanged, &AppModel::startedAtChanged, &AppModel::queueChanged,
        &AppModel::processingIDChanged, &AppModel::lowDiskSpaceChanged, &AppModel::callsChanged})
    connect(&model, signal, this, [this] {
      read();
      emit changed();
    });
  read();
  refreshShortcut();
  auto* mic = new TrackLevel(this);
  mic->setModel(&model);
  mic->setTrack(QStringLiteral("mic"));
  micLevel_ = mic;
  auto* system = new TrackLevel(this);
  system->setModel(&model);
  system->setTrack(QStringLiteral("system"));
  systemLevel_ = system;
}

MenuModel::MenuModel(MenuState state, QObject* parent) : QObject(parent), state_(std::move(state)) {
  queue_.setRows(queueRows(state_));
}

void MenuModel::read() {
  if (!model_) return;
  state_.recording = model_->isRecording();
  state_.startedAt = model_->startedAt().value_or(QDateTime());
  state_.callNames.clear();
  for (const core::CallApp& call : model_->calls()) state_.callNames << text(call.name);
  state_.queue.clear();
  for (const AppModel::QueuedMeeting& meeting : model_->queue())
    state_.queue.push_back({text(meeting.id), text(meeting.label)});
  state_.processingID = model_->processingID().value_or(QString());
  state_.lowDiskSpace = model_->lowDiskSpace();
  queue_.setRows(queueRows(state_));
}

void MenuModel::setMicLevel(LevelSource* source) {
  if (source == micLevel_.data()) return;
  micLevel_ = source;
  emit levelsChanged();
}

void MenuModel::setSystemLevel(LevelSource* source) {
  if (source == systemLevel_.data()) return;
  systemLevel_ = source;
  emit levelsChanged();
}

AppModel* MenuModel::appModel() const { return model_.data(); }

bool MenuModel::recording() const { return state_.recording && state_.startedAt.isValid(); }

QDateTime MenuModel::startedAt() const { return state_.startedAt; }

QString MenuModel::statusLine() const {
  if (!state_.callNames.isEmpty()) return state_.callNames.back() + " is on a call";
  if (!state_.queue.empty()) return QStringLiteral("Procesando en segundo plano");
  return QStringLiteral("Lista para la próxima clase");
}

QString MenuModel::buttonTitle() const {
  if (state_.recording) return QStringLiteral("Detener grabación");
  if (!state_.callNames.isEmpty())
    return QStringLiteral("Grabar clase de ") + state_.callNames.back();
  return QStringLiteral("Grabar clase");
}

QString MenuModel::buttonHint() const {
  return state_.shortcut.isEmpty() ? QString() : QStringLiteral("Shortcut ") + state_.shortcut;
}

bool MenuModel::lowDisk() const { return state_.lowDiskSpace.has_value(); }

QString MenuModel::lowDiskText() const {
  if (!lowDisk()) return {};
  return text(core::formatByteCount(*state_.lowDiskSpace)) +
         QStringLiteral(" free. Recording stops below ") +
         text(core::formatByteCount(core::Recorder::stopBelow)) + QStringLiteral(".");
}

std::vector<MenuQueueModel::Row> MenuModel::queueRows(const MenuState& state) {
  std::vector<MenuQueueModel::Row> rows;
  for (const MenuState::Waiting& meeting : state.queue) {
    const bool processing = !state.processingID.isEmpty() && state.processingID == meeting.id;
    rows.push_back({meeting.id, meeting.label, processing,
                    processing ? QStringLiteral("Procesando") : QStringLiteral("En cola")});
  }
  return rows;
}

QString MenuModel::elapsedText(qint64 seconds) {
  return text(core::DurationText::minutesAndSeconds(seconds));
}

QString MenuModel::elapsedText(const QDateTime& now) const {
  if (!state_.startedAt.isValid()) return elapsedText(qint64{0});
  return elapsedText(state_.startedAt.secsTo(now));
}

void MenuModel::pressButton() {
  if (!model_) return;
  if (model_->isRecording())
    model_->stop();
  else if (!model_->calls().empty())
    model_->record(model_->calls().back());
  else
    model_->start();
}

void MenuModel::openMainWindow() { AppActions::openMainWindow()(); }

void MenuModel::openSettings() { AppActions::openSettings()(); }

void MenuModel::quit() {
  if (model_) QCoreApplication::quit();
}

void MenuModel::refreshShortcut() {
  if (!model_) return;
  QString label;
  if (const auto hotkey = Hotkey::saved(model_->settings().defaults())) label = hotkey->label();
  if (label == state_.shortcut) return;
  state_.shortcut = label;
  emit changed();
}

}  // namespace kelv::app
