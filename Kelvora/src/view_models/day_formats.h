// The calendar facts and date texts of the meetings window, in one locale and time zone: where
// a day starts, and the weekday, month-and-year, time-of-day and longer forms of a date, each
// in the locale's own pattern for its fields (ICU skeletons), so a Spanish user reads
// "viernes, 14 de marzo, 9:15" and an English one "Friday, March 14, 9:15 AM".
//
// Not thread-safe: each thread makes its own (construction takes a few milliseconds).
#pragma once

#include <QString>

#include <memory>
#include <string>

#include "kelv/core/util/library_json.h"

namespace kelv::app {

class DayFormats {
 public:
  // An empty locale name is the user's locale; an empty zone is the system's time zone ($TZ,
  // else /etc/localtime).
  explicit DayFormats(const std::string& locale = {}, const std::string& timeZone = {});
  ~DayFormats();
  DayFormats(const DayFormats&) = delete;
  DayFormats& operator=(const DayFormats&) = delete;

  // Midnight (or the day's first existing instant) of the date's day, `days` days later.
  core::Date startOfDay(core::Date date, int days = 0) const;

  QString weekday(core::Date date) const;       // "viernes"
  QString monthAndYear(core::Date date) const;  // "marzo de 2025"
  QString timeOfDay(core::Date date) const;     // "9:15"
  QString dayMonthTime(core::Date date) const;  // "14 mar, 9:15"
  QString longDate(core::Date date) const;      // "viernes, 14 de marzo, 9:15"

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelv::app
