#include "view_models/settings_model.h"

#include "desktop/hotkey_monitor.h"

namespace kelv::app {

SettingsModel::SettingsModel(core::SettingsStore store, QObject* parent)
    : QObject(parent),
      record_(std::move(store)),
      general_(record_),
      notes_(record_, BackendSettings::Role::notes),
      transcription_(record_, BackendSettings::Role::transcription),
      hotkey_(record_, HotkeyMonitor::shared()) {
  connect(&record_, &SettingsRecord::problemChanged, this, &SettingsModel::problemChanged);
  connect(&general_, &GeneralSettings::changed, this, &SettingsModel::notesFolderChanged);
}

SettingsModel::~SettingsModel() = default;

}  // namespace kelv::app
