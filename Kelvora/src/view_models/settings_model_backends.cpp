// The permission checks: the microphone's access and a first system-audio capture.
#include <thread>

#include "kelv/capture/live_capture.h"
#include "kelv/capture/mic_access.h"
#include "view_models/settings_model.h"

namespace kelv::app {

QString SettingsModel::micValue() const {
  switch (mic_) {
    case Mic::notDetermined: return "notDetermined";
    case Mic::restricted: return "restricted";
    case Mic::denied: return "denied";
    case Mic::authorized: return "authorized";
  }
  return {};
}

QVariant SettingsModel::systemAudioValue() const {
  return systemAudio_ ? QVariant(*systemAudio_) : QVariant();
}

void SettingsModel::requestMic() {
  inBackground([]() -> std::function<void(SettingsModel&)> {
    const capture::MicAccess access = capture::probeMicAccess();
    return [access](SettingsModel& model) {
      const auto mic = static_cast<Mic>(access);
      if (model.mic_ == mic) return;
      model.mic_ = mic;
      emit model.micChanged();
    };
  });
}

void SettingsModel::requestSystemAudio() {
  inBackground([]() -> std::function<void(SettingsModel&)> {
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
    return [outcome](SettingsModel& model) {
      model.systemAudio_ = outcome;
      emit model.systemAudioChanged();
    };
  });
}

}  // namespace kelv::app
