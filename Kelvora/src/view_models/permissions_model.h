// What onboarding asks of the user before the first recording: the microphone and system-audio
// permissions, which the sound server answers, and the recording consent, which is stored with
// the settings.
//
// Main thread only. The microphone probe and the system-audio attempt run on worker threads and
// publish their answer on the main thread, unless the model is gone by then.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "kelv/core/settings/settings_store.h"

namespace kelv::app {

class PermissionsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application's shell.")
  Q_PROPERTY(Mic mic READ mic NOTIFY micChanged)
  Q_PROPERTY(SystemAudio systemAudio READ systemAudioState NOTIFY systemAudioChanged)
  // The failed attempt's description, or the empty text.
  Q_PROPERTY(QString systemAudioProblem READ systemAudioProblem NOTIFY systemAudioChanged)
  Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

 public:
  // Upper-case keys, so QML can name them.
  enum class Mic { NotDetermined, Restricted, Denied, Authorized };
  Q_ENUM(Mic)
  enum class SystemAudio { NotTried, Worked, Failed };
  Q_ENUM(SystemAudio)

  explicit PermissionsModel(core::SettingsStore store, QObject* parent = nullptr);
  ~PermissionsModel() override;

  Mic mic() const { return mic_; }
  // Absent until an attempt ends; then the empty text when the capture started, else the
  // error's description.
  const std::optional<QString>& systemAudio() const { return systemAudio_; }
  SystemAudio systemAudioState() const;
  QString systemAudioProblem() const { return systemAudio_.value_or(QString()); }

  // Probes the microphone the next recording would use and publishes the answer.
  Q_INVOKABLE void requestMic();
  // Starts a live capture for a second, which is what makes a sandboxed desktop ask.
  Q_INVOKABLE void requestSystemAudio();

  Q_INVOKABLE bool consentAcknowledged() const { return store_.consentAcknowledged(); }
  // Stores the consent; a store that can't be written leaves its text in `problem`.
  Q_INVOKABLE void acknowledgeConsent();

  QString problem() const { return problem_; }

 signals:
  void micChanged();
  void systemAudioChanged();
  void problemChanged();
  // A background attempt published its answer (tests wait for it).
  void finished();

 private:
  // Runs `work` on a worker thread, then what it returns on the main thread.
  void inBackground(std::function<std::function<void(PermissionsModel&)>()> work);

  core::SettingsStore store_;
  Mic mic_ = Mic::NotDetermined;
  std::optional<QString> systemAudio_;
  QString problem_;
  // Cleared by the destructor; background jobs hold it, never `this`.
  std::shared_ptr<PermissionsModel*> self_;
};

}  // namespace kelv::app
