// The settings behind the settings window and onboarding's permission steps: one record with its
// save rule, and the objects that edit it by concern: the general settings, the notes and the
// transcription backends, and the global hotkey.
//
// Whoever needs to react to a save (the application model watching calls again) observes the
// record's `saved` signal; this model knows nothing of its observers. The permission checks run
// on worker threads and publish on the main thread; everything else runs on the main thread.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQmlIntegration>

#include <functional>
#include <memory>
#include <optional>

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
  Q_PROPERTY(GeneralSettings* general READ generalObject CONSTANT)
  Q_PROPERTY(BackendSettings* notes READ notesObject CONSTANT)
  Q_PROPERTY(BackendSettings* transcription READ transcriptionObject CONSTANT)
  Q_PROPERTY(HotkeyRecorder* hotkey READ hotkeyObject CONSTANT)
  Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
  // The notes folder, for onboarding's folder step.
  Q_PROPERTY(QString notesFolder READ notesFolder NOTIFY notesFolderChanged)
  Q_PROPERTY(QString mic READ micValue NOTIFY micChanged)
  Q_PROPERTY(QVariant systemAudio READ systemAudioValue NOTIFY systemAudioChanged)

 public:
  enum class Mic { notDetermined, restricted, denied, authorized };

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

  Mic mic() const { return mic_; }
  // "notDetermined", "restricted", "denied" or "authorized".
  QString micValue() const;
  const std::optional<QString>& systemAudio() const { return systemAudio_; }
  QVariant systemAudioValue() const;
  Q_INVOKABLE void requestMic();
  Q_INVOKABLE void requestSystemAudio();

  Q_INVOKABLE bool consentAcknowledged() const { return store().consentAcknowledged(); }
  Q_INVOKABLE void acknowledgeConsent();

 signals:
  void problemChanged();
  void notesFolderChanged();
  void micChanged();
  void systemAudioChanged();
  // A background job finished and published its result (tests wait for it).
  void finished();

 private:
  GeneralSettings* generalObject() { return &general_; }
  BackendSettings* notesObject() { return &notes_; }
  BackendSettings* transcriptionObject() { return &transcription_; }
  HotkeyRecorder* hotkeyObject() { return &hotkey_; }
  // Runs `work` on a worker thread, then `publish` on the main thread unless the model is gone.
  void inBackground(std::function<std::function<void(SettingsModel&)>()> work);

  SettingsRecord record_;
  GeneralSettings general_;
  BackendSettings notes_;
  BackendSettings transcription_;
  HotkeyRecorder hotkey_;
  Mic mic_ = Mic::notDetermined;
  std::optional<QString> systemAudio_;
  // Cleared by the destructor; background jobs hold it, never `this`.
  std::shared_ptr<SettingsModel*> self_;
};

}  // namespace kelv::app
