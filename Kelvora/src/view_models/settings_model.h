// The settings behind the settings window and onboarding's notes folder: one record with its
// save rule, and the objects that edit it by concern: the general settings, the notes and the
// transcription backends, and the global hotkey.
//
// Whoever needs to react to a save (the application model watching calls again) observes the
// record's `saved` signal; this model knows nothing of its observers. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include "kelv/core/settings/settings_store.h"
#include "view_models/backend_settings.h"
#include "view_models/general_settings.h"
#include "view_models/hotkey_recorder.h"
#include "view_models/settings_record.h"

namespace kelv::app {

class SettingsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the window shell.")
  Q_PROPERTY(kelv::app::GeneralSettings* general READ generalObject CONSTANT)
  Q_PROPERTY(kelv::app::BackendSettings* notes READ notesObject CONSTANT)
  Q_PROPERTY(kelv::app::BackendSettings* transcription READ transcriptionObject CONSTANT)
  Q_PROPERTY(kelv::app::HotkeyRecorder* hotkey READ hotkeyObject CONSTANT)
  Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
  // The notes folder, for onboarding's folder step.
  Q_PROPERTY(QString notesFolder READ notesFolder NOTIFY notesFolderChanged)

 public:
  explicit SettingsModel(core::SettingsStore store, QObject* parent = nullptr);
  ~SettingsModel() override;

  SettingsRecord& record() { return record_; }
  const core::Settings& settings() const { return record_.settings(); }
  const core::SettingsStore& store() const { return record_.store(); }

  GeneralSettings& general() { return general_; }
  BackendSettings& notes() { return notes_; }
  BackendSettings& transcription() { return transcription_; }
  HotkeyRecorder& hotkey() { return hotkey_; }

  const QString& problem() const { return record_.problem(); }
  QString notesFolder() const { return general_.notesFolder(); }

 signals:
  void problemChanged();
  void notesFolderChanged();

 private:
  GeneralSettings* generalObject() { return &general_; }
  BackendSettings* notesObject() { return &notes_; }
  BackendSettings* transcriptionObject() { return &transcription_; }
  HotkeyRecorder* hotkeyObject() { return &hotkey_; }

  SettingsRecord record_;
  GeneralSettings general_;
  BackendSettings notes_;
  BackendSettings transcription_;
  HotkeyRecorder hotkey_;
};

}  // namespace kelv::app
