#include "kelv/core/util/byte_count.h"

#include <cmath>
#include <cstdio>

namespace kelv::core {

std::string formatByteCount(int64_t bytes) {
  if (bytes == 0) return "Zero KB";
  const bool negative = bytes < 0;
  const double magnitude = std::fabs(static_cast<double>(bytes));
  const std::string sign = negative ? "-" : "";
  if (magnitude < 1000) {
    return sign + std::to_string(static_cast<long long>(magnitude)) +
           (magnitude == 1 ? " byte" : " bytes");
  }
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  static constexpr int kDecimals[] = {0, 1, 2, 2, 2, 2};
  int unit = 0;
  double value = magnitude / 1000;
  for (;;) {
    const double scale = std::pow(10.0, kDecimals[unit]);
    const double rounded = std::round(value * scale) / scale;
    if (rounded < 1000 || unit == 5) {
      value = rounded;
      break;
    }
    value /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", kDecimals[unit], value);
  std::string number = text;
  if (number.find('.') != std::string::npos) {
    while (number.back() == '0') number.pop_back();
    if (number.back() == '.') number.pop_back();
  }
  return sign + number + " " + kUnits[unit];
}

}  // namespace kelv::core
