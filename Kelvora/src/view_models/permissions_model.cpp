#include "view_models/permissions_model.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <chrono>
#include <thread>

#include "kelv/capture/live_capture.h"
#include "kelv/capture/mic_access.h"

namespace kelv::app {

namespace {

PermissionsModel::Mic micOf(capture::MicAccess access) {
  switch (access) {
    case capture::MicAccess::notDetermined:
      return PermissionsModel::Mic::NotDetermined;
    case capture::MicAccess::restricted:
      return PermissionsModel::Mic::Restricted;
    case capture::MicAccess::denied:
      return PermissionsModel::Mic::Denied;
    case capture::MicAccess::authorized:
      return PermissionsModel::Mic::Authorized;
  }
  return PermissionsModel::Mic::NotDetermined;
}

}  // namespace

PermissionsModel::PermissionsModel(core::SettingsStore store, QObject* parent)
    : QObject(parent), store_(std::move(store)), self_(std::make_shared<PermissionsModel*>(this)) {}

PermissionsModel::~PermissionsModel() { *self_ = nullptr; }

PermissionsModel::SystemAudio PermissionsModel::systemAudioState() const {
  if (!systemAudio_) return SystemAudio::NotTried;
  return systemAudio_->isEmpty() ? SystemAudio::Worked : SystemAudio::Failed;
}

void PermissionsModel::requestMic() {
  inBackground([]() -> std::function<void(PermissionsModel&)> {
    const Mic mic = micOf(capture::probeMicAccess());
    return [mic](PermissionsModel& model) {
      if (model.mic_ == mic) return;
      model.mic_ = mic;
      emit model.micChanged();
    };
  });
}

void PermissionsModel::requestSystemAudio() {
  inBackground([]() -> std::function<void(PermissionsModel&)> {
    QString outcome;
    {
      capture::LiveCapture capture;
      try {
        capture.start([](core::CapturedAudio) {});
        // Starting is what makes a sandboxed desktop ask; a second of nothing is enough.
        std::this_thread::sleep_for(std::chrono::seconds(1));
      } catch (const std::exception& error) {
        outcome = QString::fromUtf8(error.what());
      }
      capture.stop();
    }
    return [outcome](PermissionsModel& model) {
      model.systemAudio_ = outcome;
      emit model.systemAudioChanged();
    };
  });
}

void PermissionsModel::acknowledgeConsent() {
  QString problem;
  try {
    store_.setConsentAcknowledged(true);
  } catch (const std::exception& error) {
    problem = QString::fromUtf8(error.what());
  }
  if (problem_ == problem) return;
  problem_ = problem;
  emit problemChanged();
}

void PermissionsModel::inBackground(std::function<std::function<void(PermissionsModel&)>()> work) {
  QThreadPool::globalInstance()->start([self = self_, work = std::move(work)] {
    auto publish = work();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, publish = std::move(publish)] {
          if (*self == nullptr) return;
          publish(**self);
          emit(*self)->finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kelv::app
