// Turns periodic snapshots of the processes using audio into call-started and call-ended
// events.
//
// An application looks like a call when it records and plays at once, or records while a
// camera is on. It becomes a call once it has looked like one, without interruption, for
// `confirmAfter` seconds; a call ends when its recording has been unseen for `endAfter`
// seconds (speakers and camera no longer matter once confirmed).
//
// A plain value without locks: its owner calls `update` from one thread at a time. Times are
// the caller's clock, in seconds; any clock works if the caller keeps to one.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kelv/core/calls/audio_client.h"
#include "kelv/core/calls/call_app.h"
#include "kelv/core/calls/call_event.h"

namespace kelv::core {

class CallDetector {
 public:
  double confirmAfter = 5;
  double endAfter = 20;

  // Feeds one snapshot taken at `now`; returns the events it causes, every `ended` before every
  // `started`, each kind ordered by application id.
  std::vector<CallEvent> update(const std::vector<AudioClient>& clients, bool cameraOn, double now);

  // True while some application is a candidate or a confirmed call.
  bool isTracking() const { return !candidates_.empty() || !calls_.empty(); }

  // The confirmed calls, ordered by id.
  std::vector<CallApp> current() const;

 private:
  // Keyed by id: the table's ids are unique, and the order is the order of `current`.
  // Value: the application and when it was first seen looking like a call.
  std::map<std::string, std::pair<CallApp, double>> candidates_;
  // Value: the application and when its input was last seen.
  std::map<std::string, std::pair<CallApp, double>> calls_;
};

}  // namespace kelv::core
