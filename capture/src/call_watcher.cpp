#include "kelv/capture/call_watcher.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "kelv/core/calls/call_detector.h"
#include "kelv/core/util/serial_queue.h"
#include "kelv/core/util/system_info.h"
#include "pulse_client.h"

namespace kelv::capture {

using namespace std::chrono_literals;

namespace {

constexpr auto kSamplePeriod = 2s;
constexpr auto kOneShot = std::chrono::hours(24);

// A sandboxed application's id from the sandbox's own record, when it can be read.
std::optional<std::string> flatpakId(long pid) {
  std::ifstream info("/proc/" + std::to_string(pid) + "/root/.flatpak-info");
  bool inApplication = false;
  for (std::string line; std::getline(info, line);) {
    if (!line.empty() && line.front() == '[')
      inApplication = line == "[Application]";
    else if (inApplication && line.starts_with("name="))
      return line.substr(5);
  }
  return std::nullopt;
}

std::optional<long> processIdOf(const pa_proplist* properties) {
  auto text = PulseClient::property(properties, PA_PROP_APPLICATION_PROCESS_ID);
  if (!text) return std::nullopt;
  try {
    return std::stol(*text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

struct ClientInfo {
  std::optional<long> processId;
  std::string identifier;
};

// Sandbox application id first, then the executable's name.
std::string identifierOf(const pa_proplist* properties, std::optional<long> pid) {
  if (auto portal = PulseClient::property(properties, "pipewire.access.portal.app_id"))
    return *portal;
  if (pid)
    if (auto id = flatpakId(*pid)) return *id;
  return PulseClient::property(properties, PA_PROP_APPLICATION_PROCESS_BINARY).value_or("");
}

}  // namespace

struct CallWatcher::Impl : std::enable_shared_from_this<Impl> {
  core::SerialQueue queue{"com.kelvora.calls"};
  EventHandler onEvent;
  Clock clock;
  core::CallDetector detector;
  std::unique_ptr<PulseClient> client;
  std::shared_ptr<core::SerialQueue::Timer> next;
  bool sampling = false;
  bool running = false;

  void post(std::function<void(Impl&)> work) {
    queue.async([weak = weak_from_this(), work = std::move(work)] {
      if (auto self = weak.lock()) work(*self);
    });
  }

  void connect() {
    Impl* raw = this;
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_CLIENT |
                                                          PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT |
                                                          PA_SUBSCRIPTION_MASK_SINK_INPUT);
    try {
      client = std::make_unique<PulseClient>("Kelvora call watcher", mask,
                                             [raw](pa_subscription_event_type_t, uint32_t) {
                                               raw->post([](Impl& self) { self.changed(); });
                                             });
    } catch (const PulseFailure&) {
      client.reset();
    }
  }

  void start() {
    if (running) return;
    running = true;
    connect();
    if (!sampling) {
      sampling = true;
      sample();
    }
  }

  void stop() {
    if (!running) return;
    running = false;
    if (next) next->cancel();
    next.reset();
    sampling = false;
    client.reset();
    detector = core::CallDetector();
  }

  void changed() {
    if (running && !sampling) {
      sampling = true;
      sample();
    }
  }

  void sample() {
    next.reset();
    if (!running) {
      sampling = false;
      return;
    }
    bool connected = client != nullptr;
    if (connected) {
      PulseClient::Lock lock(*client);
      connected = client->isReady();
    }
    if (!connected) {
      client.reset();
      connect();
    }
    const auto clients = client ? snapshot() : std::vector<core::AudioClient>{};
    const bool camera = cameraOn();
    for (const auto& event : detector.update(clients, camera, clock()))
      if (onEvent) onEvent(event);
    const bool anyInput =
        std::any_of(clients.begin(), clients.end(), [](const auto& c) { return c.input; });
    if (anyInput || detector.isTracking() || !client) {
      next = queue.scheduleTimer(kSamplePeriod, kOneShot, [weak = weak_from_this()] {
        if (auto self = weak.lock()) self->sample();
      });
    } else {
      sampling = false;
    }
  }

  std::vector<core::AudioClient> snapshot() {
    std::vector<Stream> streams;
    PulseClient::Lock lock(*client);
    try {
      std::map<uint32_t, ClientInfo> clients;
      client->query<pa_client_info>(
          [&](auto callback, void* userdata) {
            return pa_context_get_client_info_list(client->context(), callback, userdata);
          },
          [&](const pa_client_info& info) {
            const auto pid = processIdOf(info.proplist);
            clients[info.index] = {pid, identifierOf(info.proplist, pid)};
          });
      auto add = [&](bool record, bool corked, uint32_t owner, const pa_proplist* properties) {
        // Streams of the server's own modules (a loopback, a generator) belong to no program.
        if (owner == PA_INVALID_INDEX) return;
        Stream stream{record, corked, std::nullopt, owner, ""};
        if (auto it = clients.find(owner); it != clients.end()) {
          stream.processId = it->second.processId;
          stream.identifier = it->second.identifier;
        }
        if (!stream.processId) stream.processId = processIdOf(properties);
        if (stream.identifier.empty())
          stream.identifier = identifierOf(properties, stream.processId);
        streams.push_back(std::move(stream));
      };
      client->query<pa_source_output_info>(
          [&](auto callback, void* userdata) {
            return pa_context_get_source_output_info_list(client->context(), callback, userdata);
          },
          [&](const pa_source_output_info& info) {
            add(true, info.corked != 0, info.client, info.proplist);
          });
      client->query<pa_sink_input_info>(
          [&](auto callback, void* userdata) {
            return pa_context_get_sink_input_info_list(client->context(), callback, userdata);
          },
          [&](const pa_sink_input_info& info) {
            add(false, info.corked != 0, info.client, info.proplist);
          });
    } catch (const PulseFailure&) {
      return {};
    }
    return audioClients(streams, static_cast<long>(::getpid()));
  }
};

CallWatcher::CallWatcher(EventHandler onEvent, Clock clock) : impl_(std::make_shared<Impl>()) {
  impl_->onEvent = std::move(onEvent);
  impl_->clock = clock ? std::move(clock) : Clock(core::systemUptime);
}

CallWatcher::~CallWatcher() { stop(); }

void CallWatcher::start() {
  impl_->post([](Impl& self) { self.start(); });
}

void CallWatcher::stop() {
  impl_->queue.sync([&] { impl_->stop(); });
}

std::vector<core::AudioClient> CallWatcher::audioClients(const std::vector<Stream>& streams,
                                                         long ownProcess) {
  std::vector<core::AudioClient> result;
  std::map<std::string, size_t> slots;
  for (const auto& stream : streams) {
    if (stream.corked) continue;
    if (stream.processId && *stream.processId == ownProcess) continue;
    const std::string key = stream.processId ? "p" + std::to_string(*stream.processId)
                                             : "c" + std::to_string(stream.client);
    auto [it, inserted] = slots.try_emplace(key, result.size());
    if (inserted) result.push_back({stream.identifier, false, false});
    auto& client = result[it->second];
    if (client.bundleID.empty()) client.bundleID = stream.identifier;
    if (stream.record)
      client.input = true;
    else
      client.output = true;
  }
  return result;
}

bool CallWatcher::cameraOn() {
  namespace fs = std::filesystem;
  const std::string own = std::to_string(::getpid());
  std::error_code error;
  for (fs::directory_iterator process("/proc", error), end; !error && process != end;
       process.increment(error)) {
    const std::string name = process->path().filename().string();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0])) || name == own) continue;
    std::error_code fdError;  // processes we may not inspect are skipped
    for (fs::directory_iterator fd(process->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
         fd.increment(fdError)) {
      std::error_code linkError;
      const auto target = fs::read_symlink(fd->path(), linkError).string();
      if (!linkError && target.starts_with("/dev/video")) return true;
    }
  }
  return false;
}

}  // namespace kelv::capture
