#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "view_models/day_formats.h"
#include "view_models/day_grouping.h"

namespace kelv::app {
namespace {

using namespace std::chrono;

// A wall-clock time in Madrid as a UTC instant: UTC+1 in winter, UTC+2 in summer (from 30 March
// 2025, 02:00).
core::Date at(int offsetHours, int year, unsigned month, unsigned day, int hour, int minute = 0,
              int second = 0) {
  const sys_days date =
      year_month_day{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
  return core::Date(date + hours(hour - offsetHours) + minutes(minute) + seconds(second));
}
core::Date madrid(int year, unsigned month, unsigned day, int hour, int minute = 0,
                  int second = 0) {
  return at(1, year, month, day, hour, minute, second);
}
core::Date madridSummer(int year, unsigned month, unsigned day, int hour, int minute = 0) {
  return at(2, year, month, day, hour, minute);
}

struct DayCase {
  const char* name;
  core::Date now;
  core::Date date;
  const char* label;
  bool recent;
};

class DayGroupingTest : public testing::TestWithParam<DayCase> {};

TEST_P(DayGroupingTest, LabelsAndRecency) {
  const DayFormats formats("es_ES", "Europe/Madrid");
  const DayGrouping grouping(formats, GetParam().now);
  const DayGrouping::Day day = grouping.dayOf(GetParam().date);
  EXPECT_EQ(day.label.toStdString(), GetParam().label);
  EXPECT_EQ(day.recent, GetParam().recent);
}

// Friday 14 March 2025, 10:00 in Madrid.
const core::Date kNow = madrid(2025, 3, 14, 10);

INSTANTIATE_TEST_SUITE_P(
    Days, DayGroupingTest,
    testing::Values(
        DayCase{"EarlierToday", kNow, madrid(2025, 3, 14, 8, 15), "Hoy", true},
        DayCase{"TodaysFirstSecond", kNow, madrid(2025, 3, 14, 0), "Hoy", true},
        DayCase{"YesterdaysLastSecond", kNow, madrid(2025, 3, 13, 23, 59, 59), "Ayer", true},
        DayCase{"FourDaysAgo", kNow, madrid(2025, 3, 10, 9), "lunes", true},
        DayCase{"StartOfTheSixthDayBack", kNow, madrid(2025, 3, 8, 0), "sábado", true},
        DayCase{"JustBeforeTheCutoff", kNow, madrid(2025, 3, 7, 23, 59, 59), "marzo de 2025",
                false},
        DayCase{"TwoMonthsAgo", kNow, madrid(2025, 1, 14, 9, 15), "enero de 2025", false},
        DayCase{"LastYear", kNow, madrid(2024, 12, 31, 23), "diciembre de 2024", false},
        // The cutoff counts calendar days, not 144 hours, across the change to summer time.
        DayCase{"CutoffAcrossSummerTime", madridSummer(2025, 4, 1, 0, 30), madrid(2025, 3, 26, 0),
                "miércoles", true},
        DayCase{"BeforeCutoffAcrossSummerTime", madridSummer(2025, 4, 1, 0, 30),
                madrid(2025, 3, 25, 23, 30), "marzo de 2025", false}),
    [](const testing::TestParamInfo<DayCase>& info) { return std::string(info.param.name); });

TEST(DayGrouping, RowsShowTheTimeWhenRecentAndTheDayOtherwise) {
  const DayFormats formats("es_ES", "Europe/Madrid");
  const DayGrouping grouping(formats, kNow);
  core::MeetingEntry recent;
  recent.date = madrid(2025, 3, 12, 9, 5);
  core::MeetingEntry older;
  older.date = madrid(2025, 1, 14, 16, 30);

  const MeetingRow first = grouping.row(recent);
  EXPECT_EQ(first.when.toStdString(), "9:05");
  EXPECT_EQ(first.longDate.toStdString(), "miércoles, 12 de marzo, 9:05");
  const MeetingRow second = grouping.row(older);
  EXPECT_EQ(second.when.toStdString(), "14 ene, 16:30");
  EXPECT_FALSE(second.recent);
}

TEST(DayGrouping, FollowsTheLocale) {
  const DayFormats formats("en_US", "Europe/Madrid");
  const DayGrouping grouping(formats, kNow);
  EXPECT_EQ(grouping.dayOf(madrid(2025, 3, 10, 9)).label.toStdString(), "Monday");
  EXPECT_EQ(grouping.dayOf(madrid(2025, 1, 10, 9)).label.toStdString(), "January 2025");
  core::MeetingEntry entry;
  entry.date = madrid(2025, 3, 12, 14, 5);
  // ICU puts a narrow no-break space before the day period.
  EXPECT_EQ(grouping.row(entry).when.toStdString(), "2:05\u202FPM");
  // Today and yesterday keep their own words in every locale.
  EXPECT_EQ(grouping.dayOf(kNow).label.toStdString(), "Hoy");
}

TEST(DayGrouping, TheEarliestDateOfAnUndatedFileIsAnOldMonth) {
  const DayFormats formats("es_ES", "UTC");
  const DayGrouping grouping(formats, kNow);
  const DayGrouping::Day day = grouping.dayOf(core::Date::min());
  EXPECT_FALSE(day.recent);
  EXPECT_FALSE(day.label.isEmpty());
}

}  // namespace
}  // namespace kelv::app
