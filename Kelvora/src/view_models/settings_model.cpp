#include "view_models/settings_model.h"

#include <QCoreApplication>
#include <QThreadPool>

#include "desktop/hotkey_monitor.h"

namespace kelv::app {

SettingsModel::SettingsModel(core::SettingsStore store, QObject* parent)
    : QObject(parent),
      record_(std::move(store)),
      general_(record_),
      notes_(record_, BackendSettings::Role::notes),
      transcription_(record_, BackendSettings::Role::transcription),
      hotkey_(record_, HotkeyMonitor::shared().isAvailable()),
      self_(std::make_shared<SettingsModel*>(this)) {
  connect(&record_, &SettingsRecord::problemChanged, this, &SettingsModel::problemChanged);
  connect(&general_, &GeneralSettings::changed, this, &SettingsModel::notesFolderChanged);
}

SettingsModel::~SettingsModel() { *self_ = nullptr; }

void SettingsModel::acknowledgeConsent() {
  try {
    store().setConsentAcknowledged(true);
  } catch (const std::exception& error) {
    record_.setProblem(QString::fromUtf8(error.what()));
  }
}

void SettingsModel::inBackground(std::function<std::function<void(SettingsModel&)>()> work) {
  QThreadPool::globalInstance()->start([self = self_, work = std::move(work)] {
    auto publish = work();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, publish = std::move(publish)] {
          if (*self == nullptr) return;
          publish(**self);
          emit (*self)->finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kelv::app
