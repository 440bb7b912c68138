#include "kelv/core/library/meeting_entry.h"

#include <unicode/datefmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

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
    case MeetingEntry::State::needsAttention: return "needs-attention";
    case MeetingEntry::State::recording: return "recording";
    case MeetingEntry::State::processing: return "processing";
    case MeetingEntry::State::interrupted: return "interrupted";
    case MeetingEntry::State::done: return "done";
  }
  return "done";
}

std::string abbreviatedDuration(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  if (seconds < 60) return std::to_string(static_cast<long long>(seconds)) + "s";
  const auto totalMinutes = static_cast<long long>(std::min(seconds, 9e15) / 60);
  const long long hours = totalMinutes / 60, minutes = totalMinutes % 60;
  std::string text;
  if (hours > 0) text = std::to_string(hours) + "h";
  if (minutes > 0) text += (text.empty() ? "" : " ") + std::to_string(minutes) + "m";
  return text;
}

std::string RecoveredMeeting::message() const {
  std::string time;
  std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort));
  if (format) {
    format->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(startedAt.time_since_epoch());
    icu::UnicodeString text;
    format->format(static_cast<UDate>(millis.count()), text);
    text.toUTF8String(time);
  }
  return "Recovered your " + time + " meeting, " + abbreviatedDuration(duration);
}

}  // namespace kelv::core
