#include "bundle.h"

#include <cstdlib>

namespace kelv::app {

std::optional<std::string> bundleIdentifier() {
  const char* value = std::getenv("KELV_BUNDLE_ID");
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace kelv::app
