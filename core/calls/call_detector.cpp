#include "kelv/core/calls/call_detector.h"

#include <algorithm>

namespace kelv::core {

std::vector<CallEvent> CallDetector::update(const std::vector<AudioClient>& clients, bool cameraOn,
                                            double now) {
  // Several clients of one application collapse into one member.
  std::map<std::string, CallApp> inputs;
  std::map<std::string, CallApp> outputs;
  for (const auto& client : clients) {
    if (!client.input && !client.output) continue;
    auto app = CallApp::of(client.bundleID);
    if (!app) continue;
    if (client.input) inputs.emplace(app->id, *app);
    if (client.output) outputs.emplace(app->id, *app);
  }

  std::vector<CallEvent> ended;
  for (auto it = calls_.begin(); it != calls_.end();) {
    auto& [app, lastSeen] = it->second;
    if (inputs.contains(it->first)) {
      lastSeen = now;
    } else if (now - lastSeen >= endAfter) {
      ended.push_back(CallEvent::ended(app));
      it = calls_.erase(it);
      continue;
    }
    ++it;
  }

  std::map<std::string, CallApp> active;
  for (const auto& [id, app] : inputs)
    if (cameraOn || outputs.contains(id)) active.emplace(id, app);

  std::erase_if(candidates_, [&](const auto& entry) { return !active.contains(entry.first); });

  std::vector<CallEvent> started;
  for (const auto& [id, app] : active) {
    if (calls_.contains(id)) continue;
    auto candidate = candidates_.find(id);
    const double since = candidate != candidates_.end() ? candidate->second.second : now;
    if (now - since >= confirmAfter) {
      if (candidate != candidates_.end()) candidates_.erase(candidate);
      calls_[id] = {app, now};
      started.push_back(CallEvent::started(app));
    } else {
      candidates_[id] = {app, since};
    }
  }

  // Both lists are already in id order (they come from maps keyed by id).
  std::vector<CallEvent> events = std::move(ended);
  events.insert(events.end(), started.begin(), started.end());
  return events;
}

std::vector<CallApp> CallDetector::current() const {
  std::vector<CallApp> result;
  for (const auto& [id, entry] : calls_) result.push_back(entry.first);
  return result;
}

}  // namespace kelv::core
