#include "kelv/core/util/environment.h"

#include <cstdlib>
#include <string_view>

namespace kelv::core {

namespace {

std::optional<std::string> nonEmpty(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace

Environment Environment::ofProcess() {
  Environment environment;
  if (auto folder = nonEmpty("KELV_MEETINGS_DIR")) environment.meetingsFolder = *folder;
  if (const char* suite = std::getenv("KELV_DEFAULTS_SUITE")) environment.preferencesSuite = suite;
  const char* fake = std::getenv("KELV_FAKE_CAPTURE");
  environment.fakeCapture = fake != nullptr && std::string_view(fake) == "1";
  environment.installedAppId = nonEmpty("KELV_BUNDLE_ID");
  return environment;
}

}  // namespace kelv::core
