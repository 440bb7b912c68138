#include "view_models/day_grouping.h"

#include <utility>

namespace kelv::app {

DayGrouping::DayGrouping(const DayFormats& formats, core::Date now)
    : formats_(formats),
      today_(formats.startOfDay(now)),
      yesterday_(formats.startOfDay(now, -1)),
      cutoff_(formats.startOfDay(now, -6)) {}

DayGrouping::Day DayGrouping::dayOf(core::Date date) const {
  const core::Date day = formats_.startOfDay(date);
  const bool recent = date >= cutoff_;
  if (day == today_) return {QStringLiteral("Hoy"), recent};
  if (day == yesterday_) return {QStringLiteral("Ayer"), recent};
  return {recent ? formats_.weekday(date) : formats_.monthAndYear(date), recent};
}

MeetingRow DayGrouping::row(core::MeetingEntry entry) const {
  MeetingRow row;
  const Day day = dayOf(entry.date);
  row.day = day.label;
  row.recent = day.recent;
  row.when = day.recent ? formats_.timeOfDay(entry.date) : formats_.dayMonthTime(entry.date);
  row.longDate = formats_.longDate(entry.date);
  row.entry = std::move(entry);
  return row;
}

}  // namespace kelv::app
