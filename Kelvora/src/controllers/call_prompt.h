// The notification that offers to record a call: "¿Grabar esta clase?" with the buttons
// "Grabar" and "Don't Ask for <name>". Everything about one application's prompt is keyed by
// "call." + its id, so a new prompt replaces the old one and a withdrawal needs only the id.
// Skipped entirely outside an installed application. Main thread only.
#pragma once

#include <vector>

#include "kelv/core/calls/call_app.h"

namespace kelv::app {

class CallPrompt {
 public:
  static constexpr const char* kRecordAction = "call.record";
  static constexpr const char* kIgnoreAction = "call.ignore";

  // Declares one category per known call application.
  static void registerCategories();
  static void post(const core::CallApp& app);
  static void withdraw(const std::vector<core::CallApp>& apps);
};

}  // namespace kelv::app
