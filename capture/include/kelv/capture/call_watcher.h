// Watches the sound server for processes that record and play, and the cameras in use, and
// feeds those snapshots to a CallDetector; reports the call events it produces.
//
// It samples every 2 s only while some process records audio or the detector tracks a
// candidate or call; otherwise it sleeps until the sound server reports a client or stream
// appearing, going away or changing. Without a sound server it retries every 2 s.
//
// Threading: everything runs on the serial queue "com.kelvora.calls"; `start` returns at once,
// `stop` waits. `onEvent` is called on that queue.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/calls/audio_client.h"
#include "kelv/core/calls/call_event.h"

namespace kelv::capture {

class CallWatcher {
 public:
  using EventHandler = std::function<void(const core::CallEvent&)>;
  // The detector's clock in seconds; system uptime unless a test moves time along.
  using Clock = std::function<double()>;

  explicit CallWatcher(EventHandler onEvent, Clock clock = {});
  ~CallWatcher();
  CallWatcher(const CallWatcher&) = delete;
  CallWatcher& operator=(const CallWatcher&) = delete;

  void start();
  // Drops the detector's state without `ended` events.
  void stop();

  // True when a process other than this one has a /dev/video* device open.
  static bool cameraOn();

  // One snapshot entry per stream seen on the server; the input of `audioClients`.
  struct Stream {
    bool record = false;
    bool corked = false;
    // application.process.id, when the client gave one.
    std::optional<long> processId;
    // The sound-server client the stream belongs to: the grouping when there is no process id.
    uint32_t client = 0;
    std::string identifier;
  };
  // One AudioClient per process (input: an uncorked record stream; output: an uncorked
  // playback stream), leaving out `ownProcess` and processes with only corked streams; in
  // order of first appearance.
  static std::vector<core::AudioClient> audioClients(const std::vector<Stream>& streams,
                                                     long ownProcess);

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace kelv::capture
