// The error of a backend kind this build has no maker for.
#pragma once

#include <stdexcept>
#include <string>

namespace kelv::core {

class BackendUnavailableError : public std::runtime_error {
 public:
  // `name` is the kind's stored value ("on-device").
  explicit BackendUnavailableError(const std::string& name)
      : std::runtime_error("The " + name + " backend isn't available in this build.") {}

  static constexpr const char* domain() { return "Kelvora"; }
  static constexpr int code() { return 1; }
};

}  // namespace kelv::core
