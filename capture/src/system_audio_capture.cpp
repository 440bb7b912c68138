#include "system_audio_capture.h"

#include <chrono>
#include <thread>

#include "activity.h"
#include "kelv/capture/capture_error.h"
#include "kelv/core/util/system_info.h"
#include "record_stream.h"

namespace kelv::capture {

namespace {
constexpr int kRetries = 2;
constexpr auto kRetryDelay = std::chrono::milliseconds(200);
}  // namespace

struct SystemAudioCapture::Impl {
  Activity activity{core::systemUptime()};
  PulseClient* client = nullptr;
  std::unique_ptr<RecordStream> stream;

  // One setup: find the default output's monitor, open a stream on it, wait until it records.
  void attempt(PulseClient& client, const core::CaptureSource::Deliver& deliver,
               const std::function<void()>& onEnded) {
    PulseClient::Lock lock(client);
    const std::string sink = client.defaults().sink;
    if (sink.empty()) throw CaptureError::noOutputDevice();
    std::string monitor;
    try {
      client.query<pa_sink_info>(
          [&](auto callback, void* userdata) {
            return pa_context_get_sink_info_by_name(client.context(), sink.c_str(), callback,
                                                    userdata);
          },
          [&](const pa_sink_info& info) {
            if (info.monitor_source_name) monitor = info.monitor_source_name;
          });
    } catch (const PulseFailure&) {
      throw CaptureError::noOutputDevice();
    }
    if (monitor.empty()) throw CaptureError::noOutputDevice();

    Activity* liveness = &activity;
    try {
      stream = std::make_unique<RecordStream>(
          client, "Kelvora System Audio", monitor,
          [liveness, deliver](std::span<const float> samples, double when) {
            liveness->markDelivered(core::systemUptime());
            deliver(core::CapturedAudio(core::Track::system, samples, when));
          },
          onEnded);
      this->client = &client;
    } catch (const RecordStream::Failure& failure) {
      switch (failure.step) {
        case RecordStream::Step::create:
          throw CaptureError::streamCreationFailed(failure.code);
        case RecordStream::Step::connect:
          throw CaptureError::recordConnectFailed(failure.code);
        case RecordStream::Step::ready:
          throw CaptureError::monitorRecordRefused(failure.code, pa_strerror(failure.code));
      }
    }
  }
};

SystemAudioCapture::SystemAudioCapture() : impl_(std::make_unique<Impl>()) {}

SystemAudioCapture::~SystemAudioCapture() { stop(); }

void SystemAudioCapture::start(PulseClient& client, core::CaptureSource::Deliver deliver,
                               std::function<void()> onEnded) {
  impl_->activity.markRestarted(core::systemUptime());
  stop();
  for (int attempt = 0;; ++attempt) {
    try {
      impl_->attempt(client, deliver, onEnded);
      return;
    } catch (const CaptureError& error) {
      stop();
      // The monitor can vanish between looking it up and recording it while the default
      // output changes; that settles within moments.
      const bool transient = error.code() == PA_ERR_NOENTITY &&
                             error.kind() != CaptureError::Kind::streamCreationFailed;
      if (!transient || attempt >= kRetries) throw;
      std::this_thread::sleep_for(kRetryDelay);
    }
  }
}

void SystemAudioCapture::stop() {
  if (!impl_->stream) return;
  PulseClient::Lock lock(*impl_->client);
  impl_->stream.reset();
  impl_->client = nullptr;
}

CaptureActivity SystemAudioCapture::activity() const {
  const auto state = impl_->activity.state();
  return {state.last, state.delivered};
}

}  // namespace kelv::capture
