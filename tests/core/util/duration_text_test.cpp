#include "kelv/core/util/duration_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelv::core {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(DurationText, EachFormOfALength) {
  struct Case {
    double seconds;
    const char* clock;
    const char* stopwatch;
    const char* minutesAndSeconds;
    const char* abbreviated;
  };
  const Case cases[] = {
      {0, "00:00:00", "0:00", "0:00", "0s"},
      {0.99, "00:00:00", "0:00", "0:00", "0s"},
      {7, "00:00:07", "0:07", "0:07", "7s"},
      {42.9, "00:00:42", "0:42", "0:42", "42s"},
      {59.99, "00:00:59", "0:59", "0:59", "59s"},
      {60, "00:01:00", "1:00", "1:00", "1m"},
      {247, "00:04:07", "4:07", "4:07", "4m"},
      {3599, "00:59:59", "59:59", "59:59", "59m"},
      {3600, "01:00:00", "1:00:00", "60:00", "1h"},
      {3900, "01:05:00", "1:05:00", "65:00", "1h 5m"},
      {4500, "01:15:00", "1:15:00", "75:00", "1h 15m"},
      {7200, "02:00:00", "2:00:00", "120:00", "2h"},
      {36'005, "10:00:05", "10:00:05", "600:05", "10h"},
      {-3, "00:00:00", "0:00", "0:00", "0s"},
  };
  for (const Case& c : cases) {
    const auto whole = static_cast<long long>(c.seconds);
    EXPECT_EQ(DurationText::clock(c.seconds), c.clock) << c.seconds;
    EXPECT_EQ(DurationText::stopwatch(whole), c.stopwatch) << c.seconds;
    EXPECT_EQ(DurationText::minutesAndSeconds(whole), c.minutesAndSeconds) << c.seconds;
    EXPECT_EQ(DurationText::abbreviated(c.seconds), c.abbreviated) << c.seconds;
  }
}

TEST(DurationText, UnusableLengthsReadAsZeroAndHugeOnesAreCapped) {
  EXPECT_EQ(DurationText::clock(kNaN), "00:00:00");
  EXPECT_EQ(DurationText::abbreviated(kNaN), "0s");
  EXPECT_EQ(DurationText::clock(1e300), "2500000000000:00:00");
  EXPECT_EQ(DurationText::abbreviated(1e300), "2500000000000h");
  EXPECT_EQ(DurationText::stopwatch(std::numeric_limits<long long>::min()), "0:00");
}

}  // namespace
}  // namespace kelv::core
