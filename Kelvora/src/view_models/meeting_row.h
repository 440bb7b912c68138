// One row of the meetings list: the entry as the meeting store lists it, with the day group it
// falls into and the date texts the window shows for it, all fixed at the moment of reading.
// A plain value.
#pragma once

#include <QString>

#include "kelv/core/library/meeting_entry.h"

namespace kelv::app {

struct MeetingRow {
  core::MeetingEntry entry;
  // The day group's label: "Hoy", "Ayer", a weekday name, or a month and year.
  QString day;
  // Within the last seven days (today included): the row shows the time of day only.
  bool recent = false;
  // The row's date: the time of day when recent, else day, abbreviated month and time.
  QString when;
  // The detail header's date: weekday, day, month name and time.
  QString longDate;
  // The folder holds track files (reprocessing and "show audio" need them).
  bool hasAudio = false;

  // Reprocessing needs the folder and its audio, and a meeting nobody is working on.
  bool canReprocess() const { return entry.folder.has_value() && hasAudio && !entry.isBusy(); }

  bool operator==(const MeetingRow&) const = default;
};

}  // namespace kelv::app
