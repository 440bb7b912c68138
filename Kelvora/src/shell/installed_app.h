// Whether the program runs as an installed application or from a terminal
// or the build tree. Installed, the desktop entry sets KELV_BUNDLE_ID; without it notifications
// become lines on standard output and call prompts are skipped.
#pragma once

#include <optional>
#include <string>

namespace kelv::app {

// The value of KELV_BUNDLE_ID when set and not empty.
std::optional<std::string> installedAppId();

}  // namespace kelv::app
