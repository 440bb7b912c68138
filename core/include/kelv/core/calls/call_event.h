// What call detection reports: a call in a known application has started or ended.
#pragma once

#include "kelv/core/calls/call_app.h"

namespace kelv::core {

struct CallEvent {
  enum class Kind { started, ended };

  Kind kind;
  CallApp app;

  static CallEvent started(CallApp app) { return {Kind::started, std::move(app)}; }
  static CallEvent ended(CallApp app) { return {Kind::ended, std::move(app)}; }

  friend bool operator==(const CallEvent&, const CallEvent&) = default;
};

}  // namespace kelv::core
