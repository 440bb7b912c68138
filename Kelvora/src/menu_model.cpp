#include "menu_model.h"

#include <QCoreApplication>

#include "app_delegate.h"
#include "app_model.h"
#include "hotkey.h"
#include "kelv/core/util/byte_count.h"

namespace kelv::app {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

MenuModel::MenuModel(AppModel& model, QObject* parent) : QObject(parent), model_(&model) {
  for (auto signal : {&AppModel::recorderChanged, &AppModel::startedAtChanged,
                      &AppModel::queueChanged, &AppModel::processingIDChanged,
                      &AppModel::lowDiskSpaceChanged, &AppModel::callsChanged})
    connect(&model, signal, this, &MenuModel::changed);
  refreshShortcut();
}

QObject* MenuModel::appModelObject() const { return model_.data(); }

bool MenuModel::recording() const {
  return model_ && model_->recorder() && model_->startedAt().has_value();
}

QDateTime MenuModel::startedAt() const {
  return model_ ? model_->startedAt().value_or(QDateTime()) : QDateTime();
}

QString MenuModel::statusLine() const {
  if (model_ && !model_->calls().empty()) return text(model_->calls().back().name) + " is on a call";
  if (model_ && !model_->queue().empty()) return QStringLiteral("Procesando en segundo plano");
  return QStringLiteral("Lista para la próxima clase");
}

QString MenuModel::buttonTitle() const {
  if (model_ && model_->isRecording()) return QStringLiteral("Detener grabación");
  if (model_ && !model_->calls().empty())
    return QStringLiteral("Grabar clase de ") + text(model_->calls().back().name);
  return QStringLiteral("Grabar clase");
}

QString MenuModel::buttonHint() const {
  return shortcut_.isEmpty() ? QString() : QStringLiteral("Shortcut ") + shortcut_;
}

bool MenuModel::lowDisk() const { return model_ && model_->lowDiskSpace().has_value(); }

QString MenuModel::lowDiskText() const {
  if (!lowDisk()) return {};
  return text(core::formatByteCount(*model_->lowDiskSpace())) +
         QStringLiteral(" free. Recording stops below 200 MB.");
}

QVariantList MenuModel::queue() const {
  QVariantList rows;
  if (!model_) return rows;
  for (const AppModel::QueuedMeeting& meeting : model_->queue()) {
    const QString id = text(meeting.id);
    const bool processing = model_->processingID() == id;
    rows.append(QVariantMap{{"id", id},
                            {"label", text(meeting.label)},
                            {"processing", processing},
                            {"state", processing ? QStringLiteral("Procesando")
                                                 : QStringLiteral("En cola")}});
  }
  return rows;
}

QString MenuModel::queueKey() const {
  QStringList ids;
  if (model_)
    for (const AppModel::QueuedMeeting& meeting : model_->queue()) ids << text(meeting.id);
  return ids.join(QLatin1Char('\n'));
}

QString MenuModel::elapsedText(qint64 seconds) {
  seconds = std::max<qint64>(seconds, 0);
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString MenuModel::elapsedText(const QDateTime& now) const {
  const QDateTime started = startedAt();
  if (!started.isValid()) return elapsedText(qint64{0});
  return elapsedText(started.secsTo(now));
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

void MenuModel::quit() { QCoreApplication::quit(); }

void MenuModel::refreshShortcut() {
  QString label;
  if (model_)
    if (const auto hotkey = Hotkey::saved(model_->settings().defaults())) label = hotkey->label();
  if (label == shortcut_) return;
  shortcut_ = label;
  emit changed();
}

}  // namespace kelv::app
