#include "mic_capture.h"

#include "activity.h"
#include "kelv/capture/capture_error.h"
#include "kelv/core/util/system_info.h"
#include "record_stream.h"

namespace kelv::capture {

struct MicCapture::Impl {
  Activity activity{core::systemUptime()};
  PulseClient* client = nullptr;
  std::unique_ptr<RecordStream> stream;
  uint32_t device = 0;
};

MicCapture::MicCapture() : impl_(std::make_unique<Impl>()) {}

MicCapture::~MicCapture() { stop(); }

void MicCapture::start(PulseClient& client, const InputDevice& device,
                       core::CaptureSource::Deliver deliver, std::function<void()> onEnded) {
  stop();
  impl_->activity.markRestarted(core::systemUptime());
  PulseClient::Lock lock(client);
  Activity* activity = &impl_->activity;
  try {
    impl_->stream = std::make_unique<RecordStream>(
        client, "Kelvora Microphone", device.name,
        [activity, deliver](std::span<const float> samples, double when) {
          activity->markDelivered(core::systemUptime());
          deliver(core::CapturedAudio(core::Track::mic, samples, when));
        },
        std::move(onEnded));
    impl_->client = &client;
    impl_->device = device.id;
  } catch (const RecordStream::Failure& failure) {
    throw CaptureError::micFailed(pa_strerror(failure.code));
  }
}

void MicCapture::stop() {
  if (!impl_->stream) return;
  PulseClient::Lock lock(*impl_->client);
  impl_->stream.reset();
  impl_->client = nullptr;
}

std::optional<uint32_t> MicCapture::device() const {
  if (!impl_->stream) return std::nullopt;
  return impl_->device;
}

CaptureActivity MicCapture::activity() const {
  const auto state = impl_->activity.state();
  return {state.last, state.delivered};
}

}  // namespace kelv::capture
