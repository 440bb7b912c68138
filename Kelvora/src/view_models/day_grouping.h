// Sorts dates into the day groups of the meetings list, as seen at one moment: "Hoy" for
// today, "Ayer" for yesterday, the weekday name for the rest of the last seven days (the
// cutoff is the start of the day six days before today), the month and year before that.
// Consecutive meetings with one label form one group.
#pragma once

#include <QString>

#include "view_models/day_formats.h"
#include "view_models/meeting_row.h"

namespace kelv::app {

class DayGrouping {
 public:
  struct Day {
    QString label;
    bool recent = false;
    bool operator==(const Day&) const = default;
  };

  // `formats` must outlive the grouping.
  DayGrouping(const DayFormats& formats, core::Date now);

  Day dayOf(core::Date date) const;
  // The entry's row with its group and date texts.
  MeetingRow row(core::MeetingEntry entry) const;

 private:
  const DayFormats& formats_;
  core::Date today_, yesterday_, cutoff_;
};

}  // namespace kelv::app
