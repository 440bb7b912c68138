#include "kelv/core/util/platform_error.h"

#include <cstring>

namespace kelv::core {

PlatformError PlatformError::fromErrno(int code, const std::string& action,
                                       const std::filesystem::path& path) {
  return PlatformError(code, "Couldn't " + action + " “" + path.filename().string() +
                                 "”: " + std::strerror(code) + ".");
}

PlatformError PlatformError::fromErrno(int code, const std::string& action) {
  return PlatformError(code, "Couldn't " + action + ": " + std::strerror(code) + ".");
}

}  // namespace kelv::core
