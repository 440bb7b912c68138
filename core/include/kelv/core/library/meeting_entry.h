// One row of the meetings list: a meeting folder, a Meeting file without a folder, or both.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/util/library_json.h"

namespace kelv::core {

struct MeetingEntry {
  enum class State { needsAttention, recording, processing, interrupted, done };

  // The folder's name, or the Meeting file's path when there is no folder.
  std::string id;
  std::string title;
  Date date;
  std::optional<double> duration;  // seconds
  State state = State::done;
  std::string message;  // with needsAttention: what went wrong
  std::optional<MeetingFolder> folder;
  std::optional<std::filesystem::path> meetingFile;

  // The track files of mic, system and mixed, in that order; none without a folder.
  std::vector<std::filesystem::path> audioFiles() const;
  // The duration in whole minutes (halves away from zero), at least 1.
  std::optional<long long> minutes() const;
  // Recording or processing: no reprocessing, renaming or deleting meanwhile.
  bool isBusy() const { return state == State::recording || state == State::processing; }

  bool operator==(const MeetingEntry&) const = default;
};

// "needs-attention", "recording", "processing", "interrupted", "done".
std::string toString(MeetingEntry::State state);

// The report of one recording repaired after a crash.
struct RecoveredMeeting {
  MeetingFolder folder;
  Date startedAt;
  double duration;  // seconds

  // "Recovered your 2:05 PM meeting, 1h 5m": the start as the locale's short time, the length
  // in seconds below a minute ("42s"), else in hours and minutes.
  std::string message() const;
};

}  // namespace kelv::core
