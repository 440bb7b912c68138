#include "kelv/core/library/meeting_entry.h"

#include <unicode/datefmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

#include "kelv/core/util/duration_text.h"

namespace kelv::core {

std::vector<std::filesystem::path> MeetingEntry::audioFiles() const {
  return folder ? folder->audioFiles() : std::vector<std::filesystem::path>();
}

std::optional<long long> MeetingEntry::minutes() const {
  if (!duration) return std::nullopt;
  const double rounded = std::round(*duration / 60);
  if (!(rounded >= 1)) return 1;
  return static_cast<long long>(std::min(rounded, 9e15));
}

std::string toString(MeetingEntry::State state) {
  switch (state) {
    case MeetingEntry::State::needsAttention:
      return "needs-attention";
    case MeetingEntry::State::recording:
      return "recording";
    case MeetingEntry::State::processing:
      return "processing";
    case MeetingEntry::State::interrupted:
      return "interrupted";
    case MeetingEntry::State::done:
      return "done";
  }
  return "done";
}

std::string RecoveredMeeting::message() const {
  std::string time;
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kShort));
  if (format) {
    format->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(startedAt.time_since_epoch());
    icu::UnicodeString text;
    format->format(static_cast<UDate>(millis.count()), text);
    text.toUTF8String(time);
  }
  return "Recovered your " + time + " meeting, " + DurationText::abbreviated(duration);
}

}  // namespace kelv::core
