#include "kelv/core/util/duration_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelv::core::DurationText {
namespace {

// About 285 million years: far past any recording, far below the 64-bit limit.
constexpr double kLongest = 9e15;

long long wholeSeconds(double seconds) {
  if (!(seconds > 0)) return 0;  // also NaN
  return static_cast<long long>(std::min(std::floor(seconds), kLongest));
}

}  // namespace

std::string clock(double seconds) {
  const long long total = wholeSeconds(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                total % 60);
  return text;
}

std::string stopwatch(long long seconds) {
  seconds = std::max(seconds, 0LL);
  char text[48];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

std::string minutesAndSeconds(long long seconds) {
  seconds = std::max(seconds, 0LL);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

std::string abbreviated(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  if (seconds < 60) return std::to_string(static_cast<long long>(seconds)) + "s";
  const auto totalMinutes = static_cast<long long>(std::min(seconds, kLongest) / 60);
  const long long hours = totalMinutes / 60, minutes = totalMinutes % 60;
  std::string text;
  if (hours > 0) text = std::to_string(hours) + "h";
  if (minutes > 0) text += (text.empty() ? "" : " ") + std::to_string(minutes) + "m";
  return text;
}

}  // namespace kelv::core::DurationText
