// Every way a length of time is written, for the Meeting file, the notes prompt, the menu's
// recording clock and the recovery notice. Negative and unusable (NaN) lengths read as zero,
// and absurdly large ones are capped rather than overflowing. Pure; safe from any thread.
#pragma once

#include <string>

namespace kelv::core::DurationText {

// "01:02:03": whole hours, minutes and seconds, two digits each at least (rounded down).
std::string clock(double seconds);

// "2:03" below an hour, "1:02:03" from an hour on: a running clock.
std::string stopwatch(long long seconds);

// "75:03": minutes (as many as needed) and two-digit seconds.
std::string minutesAndSeconds(long long seconds);

// "42s" below a minute, otherwise "1h 5m", "5m", "2h" (zero units left out).
std::string abbreviated(double seconds);

}  // namespace kelv::core::DurationText
