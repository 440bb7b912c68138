#include "shell/installed_app.h"

#include "kelv/core/util/environment.h"

namespace kelv::app {

std::optional<std::string> installedAppId() {
  return core::Environment::ofProcess().installedAppId;
}

}  // namespace kelv::app
