#include "kelv/capture/live_capture.h"

#include <chrono>
#include <map>
#include <set>

#include "audio_devices.h"
#include "audio_outlet.h"
#include "kelv/capture/capture_error.h"
#include "kelv/core/util/serial_queue.h"
#include "kelv/core/util/system_info.h"
#include "mic_capture.h"
#include "pulse_client.h"
#include "sleep_inhibitor.h"
#include "system_audio_capture.h"

namespace kelv::capture {

using core::Track;
using namespace std::chrono_literals;

namespace {
constexpr double kStallSeconds = 4;
constexpr auto kWatchdogPeriod = 2s;
constexpr auto kRebuildDelay = 0.5s;
// Rebuild timers fire once and are cancelled by their own run; the period only has to be
// longer than any run.
constexpr auto kOneShot = std::chrono::hours(24);
}  // namespace

struct LiveCapture::Impl : std::enable_shared_from_this<Impl> {
  // Declared first so it is destroyed last: members below are touched only from its thread.
  core::SerialQueue queue{"kelvora.capture"};
  ProblemHandler onProblem;
  AudioOutlet micOutlet{"kelvora.capture.mic"};
  AudioOutlet systemOutlet{"kelvora.capture.system"};
  std::unique_ptr<PulseClient> client;
  MicCapture mic;
  SystemAudioCapture system;
  Deliver deliver;  // present exactly while started
  std::map<Track, std::shared_ptr<core::SerialQueue::Timer>> pending;
  std::shared_ptr<core::SerialQueue::Timer> watchdog;
  std::set<uint32_t> stalledMics;
  std::map<Track, std::string> lastProblem;
  std::unique_ptr<SleepInhibitor> inhibitor;
  PulseClient::ServerDefaults defaults;

  // Runs `work` on the queue if the capture still exists by then. Safe from the sound server's
  // thread: it never takes (and so never drops) the last reference there.
  void post(std::function<void(Impl&)> work) {
    queue.async([weak = weak_from_this(), work = std::move(work)] {
      if (auto self = weak.lock()) work(*self);
    });
  }

  void connect() {
    Impl* raw = this;
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER |
                                                          PA_SUBSCRIPTION_MASK_SOURCE);
    try {
      client = std::make_unique<PulseClient>(
          "Kelvora", mask, [raw](pa_subscription_event_type_t type, uint32_t index) {
            raw->post([type, index](Impl& self) { self.onServerEvent(type, index); });
          });
    } catch (const PulseFailure& failure) {
      throw CaptureError::micFailed(failure.what());
    }
    PulseClient::Lock lock(*client);
    defaults = client->defaults();
  }

  std::function<void()> endedHandler(Track track) {
    Impl* raw = this;
    return [raw, track] { raw->post([track](Impl& self) { self.rebuild(track, true); }); };
  }

  void start(Deliver sink) {
    if (deliver) return;
    deliver = std::move(sink);
    micOutlet.open(deliver);
    systemOutlet.open(deliver);
    try {
      connect();
      startMic();
      startSystem();
    } catch (...) {
      teardown();
      throw;
    }
    lastProblem.clear();
    inhibitor = std::make_unique<SleepInhibitor>();
    if (!inhibitor->held() && onProblem)
      onProblem("The computer may go to sleep during this recording: " + inhibitor->failure() +
                ".");
    watchdog = queue.scheduleTimer(kWatchdogPeriod, kWatchdogPeriod, [weak = weak_from_this()] {
      if (auto self = weak.lock()) self->stallCheck();
    });
  }

  void startMic() {
    if (!deliver) return;
    std::optional<InputDevice> device;
    {
      PulseClient::Lock lock(*client);
      AudioDevices devices(*client);
      device = devices.fallbackMic(stalledMics);
      if (!device) {
        // A monitor is never a microphone, even when the server makes it the default.
        auto fallback = devices.defaultInput();
        if (fallback && !fallback->isMonitor) device = fallback;
      }
    }
    if (!device) {
      mic.stop();
      throw CaptureError::noInputDevice();
    }
    mic.start(
        *client, *device,
        [outlet = &micOutlet](core::CapturedAudio audio) { outlet->post(std::move(audio)); },
        endedHandler(Track::mic));
  }

  void startSystem() {
    if (!deliver) return;
    system.start(
        *client,
        [outlet = &systemOutlet](core::CapturedAudio audio) { outlet->post(std::move(audio)); },
        endedHandler(Track::system));
  }

  void teardown() {
    for (auto& [track, timer] : pending) timer->cancel();
    pending.clear();
    if (watchdog) watchdog->cancel();
    watchdog.reset();
    mic.stop();
    system.stop();
    client.reset();
    micOutlet.close();
    systemOutlet.close();
    inhibitor.reset();
    deliver = nullptr;
  }

  void rebuild(Track track, bool deviceChanged) {
    if (!deliver) return;
    if (deviceChanged && track == Track::mic) stalledMics.clear();
    if (auto it = pending.find(track); it != pending.end()) it->second->cancel();
    const std::chrono::duration<double> delay = deviceChanged ? kRebuildDelay : 0s;
    pending[track] = queue.scheduleTimer(delay, kOneShot, [weak = weak_from_this(), track] {
      if (auto self = weak.lock()) self->runRebuild(track);
    });
  }

  void runRebuild(Track track) {
    if (auto it = pending.find(track); it != pending.end()) {
      it->second->cancel();
      pending.erase(it);
    }
    if (!deliver) return;
    try {
      if (reconnectIfGone()) {
        // Both streams died with the old connection.
        rebuild(track == Track::mic ? Track::system : Track::mic, false);
      }
      if (track == Track::mic)
        startMic();
      else
        startSystem();
      lastProblem.erase(track);
    } catch (const std::exception& error) {
      report(track, error.what());
    }
  }

  // True when the server had gone away and a new connection was made.
  bool reconnectIfGone() {
    if (client) {
      PulseClient::Lock lock(*client);
      if (client->isReady()) return false;
    }
    mic.stop();
    system.stop();
    client.reset();
    connect();
    return true;
  }

  void report(Track track, const std::string& message) {
    auto [it, inserted] = lastProblem.try_emplace(track, message);
    if (!inserted && it->second == message) return;
    it->second = message;
    if (onProblem) onProblem(message);
  }

  void stallCheck() {
    if (!deliver) return;
    const double now = core::systemUptime();
    const auto micActivity = mic.activity();
    if (now - micActivity.last >= kStallSeconds && !pending.contains(Track::mic)) {
      if (auto device = mic.device()) stalledMics.insert(*device);
      rebuild(Track::mic, false);
    }
    const auto systemActivity = system.activity();
    if (systemActivity.delivered && now - systemActivity.last >= kStallSeconds &&
        !pending.contains(Track::system) && defaultOutputRunning())
      rebuild(Track::system, false);
  }

  // Something is playing: only then is silence from the monitor a stall.
  bool defaultOutputRunning() {
    if (!client) return false;
    PulseClient::Lock lock(*client);
    if (!client->isReady()) return true;  // let the rebuild reconnect
    bool running = false;
    try {
      const std::string sink = client->defaults().sink;
      client->query<pa_sink_info>(
          [&](auto callback, void* userdata) {
            return pa_context_get_sink_info_by_name(client->context(), sink.c_str(), callback,
                                                    userdata);
          },
          [&](const pa_sink_info& info) { running = info.state == PA_SINK_RUNNING; });
    } catch (const PulseFailure&) {
    }
    return running;
  }

  void onServerEvent(pa_subscription_event_type_t type, uint32_t) {
    if (!deliver || !client) return;
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
      PulseClient::ServerDefaults now;
      {
        PulseClient::Lock lock(*client);
        if (!client->isReady()) return;
        try {
          now = client->defaults();
        } catch (const PulseFailure&) {
          return;
        }
      }
      if (now.source != defaults.source) rebuild(Track::mic, true);
      if (now.sink != defaults.sink) {
        stalledMics.clear();
        rebuild(Track::system, true);
      }
      defaults = now;
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE && kind == PA_SUBSCRIPTION_EVENT_NEW &&
               !mic.device()) {
      // A microphone appeared while we had none.
      rebuild(Track::mic, true);
    }
  }
};

LiveCapture::LiveCapture(ProblemHandler onProblem) : impl_(std::make_shared<Impl>()) {
  impl_->onProblem = std::move(onProblem);
}

LiveCapture::~LiveCapture() { stop(); }

void LiveCapture::start(Deliver deliver) {
  impl_->queue.sync([&] { impl_->start(std::move(deliver)); });
}

void LiveCapture::stop() {
  impl_->queue.sync([&] {
    if (impl_->deliver) impl_->teardown();
  });
}

bool LiveCapture::isStarted() const {
  bool started = false;
  impl_->queue.sync([&] { started = static_cast<bool>(impl_->deliver); });
  return started;
}

}  // namespace kelv::capture
