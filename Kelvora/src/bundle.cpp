#include "bundle.h"

#include "kelv/core/util/environment.h"

namespace kelv::app {

std::optional<std::string> bundleIdentifier() {
  return core::Environment::ofProcess().bundleIdentifier;
}

}  // namespace kelv::app
