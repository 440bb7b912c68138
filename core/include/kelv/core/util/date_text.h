// Every fixed-pattern text of an instant: the UTC dates of the meeting folders' JSON, the local
// ISO date of a Meeting file, the local stamps in folder and file names, the tool's clock. The
// local forms read the time zone again on each call, so a zone changed while the program runs
// is followed. Locale-dependent texts for people (weekdays, month names) are the views'
// business. Safe from any thread.
#pragma once

#include <chrono>
#include <string>

namespace kelv::core {

// An instant, to the system clock's precision.
using Date = std::chrono::system_clock::time_point;

namespace DateText {

enum class Zone { utc, local };

// The date's whole seconds written with a strftime pattern, in UTC or the local time zone:
// formatted(date, "%Y-%m-%dT%H:%M:%SZ", Zone::utc) gives "2025-03-14T08:15:02Z".
std::string formatted(Date date, const char* pattern, Zone zone);

// "2025-03-14T09:15:02+01:00" in the local time zone, or "…Z" where its offset is zero.
std::string localISO(Date date);

}  // namespace DateText

}  // namespace kelv::core
