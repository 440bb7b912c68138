#include "ffmpeg_util.h"

#include <mutex>

#include "kelv/core/util/platform_error.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace kelv::core::ffmpeg {

void quietLogging() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void throwPlatform(int code, const std::string& action, const std::filesystem::path& path) {
  // FFmpeg's own codes are negative four-character tags, far outside the errno range.
  if (code < 0 && -code < 4096) throw PlatformError::fromErrno(-code, action, path);
  throw PlatformError(
      0, "Couldn't " + action + " “" + path.filename().string() + "”: " + errorText(code) + ".");
}

}  // namespace kelv::core::ffmpeg
