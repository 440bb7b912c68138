#include "kelv/core/util/date_text.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kelv::core::DateText {
namespace {

std::tm parts(Date date, Zone zone) {
  const std::time_t seconds =
      std::chrono::floor<std::chrono::seconds>(date).time_since_epoch().count();
  std::tm out{};
  if (zone == Zone::utc) {
    gmtime_r(&seconds, &out);
  } else {
    tzset();  // localtime_r alone keeps the zone it read first
    localtime_r(&seconds, &out);
  }
  return out;
}

}  // namespace

std::string formatted(Date date, const char* pattern, Zone zone) {
  const std::tm at = parts(date, zone);
  char text[128];
  const size_t length = std::strftime(text, sizeof text, pattern, &at);
  return std::string(text, length);
}

std::string localISO(Date date) {
  const std::tm local = parts(date, Zone::local);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  std::string out = text;
  const long offset = local.tm_gmtoff;
  if (offset == 0) return out + "Z";
  const long minutes = std::labs(offset) / 60;
  std::snprintf(text, sizeof text, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return out + text;
}

}  // namespace kelv::core::DateText
