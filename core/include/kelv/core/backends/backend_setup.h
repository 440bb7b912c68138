// The resolved inputs from which one backend object is made, and the rule that tells a local
// server from a cloud service (which sets the assumed context size of a notes model).
// Plain values; the static helpers are pure and safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kelv/core/backends/backend_type.h"

namespace kelv::core {

namespace BackendAddress {

// True when the URL's host is the loopback name, "::1", "0.0.0.0", ends in ".local" or starts
// with "127.", "10." or "192.168." (compared lower-cased). Absent or unparsable: false.
bool isLocal(const std::optional<std::string>& address);

// 8192 for a local address with the explicit port 11434, 4096 for any other local address,
// 128000 otherwise (also for an absent or empty address).
int contextTokens(const std::optional<std::string>& address);

}  // namespace BackendAddress

template <typename Type>
struct BackendSetup {
  Type type{};
  std::optional<std::string> address;
  std::optional<std::string> model;
  std::optional<std::string> apiKey;
  int contextTokens = 0;
  // The subject's terms, for a backend that can be told what to listen for.
  std::vector<std::string> vocabulary;

  bool operator==(const BackendSetup&) const = default;

  static bool isLocal(const std::optional<std::string>& address) {
    return BackendAddress::isLocal(address);
  }
};

using TranscriptionSetup = BackendSetup<TranscriptionBackendType>;
using NotesSetup = BackendSetup<NotesBackendType>;

}  // namespace kelv::core
