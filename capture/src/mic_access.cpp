#include "kelv/capture/mic_access.h"

#include <optional>

#include "audio_devices.h"
#include "kelv/capture/capture_error.h"
#include "mic_capture.h"
#include "pulse_client.h"

namespace kelv::capture {

MicAccess probeMicAccess() {
  std::optional<PulseClient> client;
  try {
    client.emplace("Kelvora", PA_SUBSCRIPTION_MASK_NULL, PulseClient::EventHandler{});
  } catch (const PulseFailure& failure) {
    return failure.code() == PA_ERR_ACCESS ? MicAccess::denied : MicAccess::restricted;
  }
  std::optional<InputDevice> device;
  try {
    PulseClient::Lock lock(*client);
    AudioDevices devices(*client);
    device = devices.fallbackMic({});
    if (!device) {
      auto fallback = devices.defaultInput();
      if (fallback && !fallback->isMonitor) device = fallback;
    }
  } catch (const PulseFailure& failure) {
    return failure.code() == PA_ERR_ACCESS ? MicAccess::denied : MicAccess::restricted;
  }
  if (!device) return MicAccess::restricted;
  MicCapture mic;
  try {
    mic.start(
        *client, *device, [](core::CapturedAudio) {}, [] {});
  } catch (const CaptureError&) {
    return MicAccess::denied;
  }
  mic.stop();
  return MicAccess::authorized;
}

}  // namespace kelv::capture
