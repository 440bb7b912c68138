// The call applications the system recognises, and how a process's identifier maps to one.
//
// The table is a constant; its ids are stored in the settings and must never change. Each
// entry's identifiers list the application's own identifiers first, then the names it has on
// Linux (its Flatpak id and executable names). Thread-safe: everything here is read-only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::core {

struct CallApp {
  // Stable identifier, equal to bundleIDs.front().
  std::string id;
  // Display name for prompts and settings.
  std::string name;
  // Identifiers of the application and of the helper processes that do its audio.
  std::vector<std::string> bundleIDs;

  // The 24 known applications: dedicated call applications first, then web browsers; the
  // order is the order of matching.
  static const std::vector<CallApp>& known();

  // The first known application one of whose identifiers equals `bundleID`, or is followed in
  // it by a point ("org.mozilla.firefox.helper"), ignoring letter case.
  static std::optional<CallApp> of(std::string_view bundleID);

  // The known application whose id is exactly `id` (case-sensitive; names are not ids).
  static std::optional<CallApp> named(std::string_view id);

  friend bool operator==(const CallApp&, const CallApp&) = default;
};

}  // namespace kelv::core

template <>
struct std::hash<kelv::core::CallApp> {
  size_t operator()(const kelv::core::CallApp& app) const noexcept;
};
