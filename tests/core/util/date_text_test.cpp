#include "kelv/core/util/date_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace kelv::core {
namespace {

using namespace std::chrono;
using DateText::Zone;

// 2025-03-14T08:15:02.750Z.
const Date kFriday = sys_days{2025y / March / 14} + 8h + 15min + 2s + 750ms;

// Runs the test in a time zone and puts the process's zone back afterwards.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) saved_ = previous;
    ::setenv("TZ", zone, 1);
  }
  ~TimeZone() {
    if (saved_)
      ::setenv("TZ", saved_->c_str(), 1);
    else
      ::unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(DateText, PatternsInEitherZone) {
  struct Case {
    const char* zone;
    const char* pattern;
    Zone in;
    const char* text;
  };
  const Case cases[] = {
      {"Europe/Madrid", "%Y-%m-%dT%H:%M:%SZ", Zone::utc, "2025-03-14T08:15:02Z"},
      {"Europe/Madrid", "%Y%m%dT%H%M%SZ", Zone::utc, "20250314T081502Z"},
      {"Europe/Madrid", "%Y-%m-%d-%H%M%S", Zone::local, "2025-03-14-091502"},
      {"America/New_York", "%Y-%m-%d-%H%M-", Zone::local, "2025-03-14-0415-"},
      {"Asia/Tokyo", "%H:%M:%S", Zone::local, "17:15:02"},
      {"UTC", "", Zone::local, ""},
  };
  for (const Case& c : cases) {
    const TimeZone zone(c.zone);
    EXPECT_EQ(DateText::formatted(kFriday, c.pattern, c.in), c.text) << c.zone << " " << c.pattern;
  }
}

TEST(DateText, LocalIsoDateCarriesTheZonesOffset) {
  const std::pair<const char*, const char*> cases[] = {
      {"Europe/Madrid", "2025-03-14T09:15:02+01:00"},
      {"America/St_Johns", "2025-03-14T05:45:02-02:30"},
      {"Asia/Kolkata", "2025-03-14T13:45:02+05:30"},
      {"UTC", "2025-03-14T08:15:02Z"},
  };
  for (const auto& [name, text] : cases) {
    // Each case changes the zone while the process runs: the text must follow it.
    const TimeZone zone(name);
    EXPECT_EQ(DateText::localISO(kFriday), text) << name;
  }
}

}  // namespace
}  // namespace kelv::core
