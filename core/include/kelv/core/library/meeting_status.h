// The status record of a meeting (meeting.json): where it stands in recording, processing and
// completion. Read and written whole; see MeetingFolder::updateStatus.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

struct MeetingStatus {
  enum class State { recording, processing, needsAttention, done };
  enum class Step { transcribe, merge, notes };

  State state;
  Date startedAt;
  std::optional<Date> endedAt;
  bool interrupted = false;
  std::optional<std::string> language;
  std::optional<double> duration;
  std::vector<Step> completedSteps;
  std::optional<std::string> transcriptionBackend;
  std::optional<std::string> notesBackend;
  std::optional<std::string> lastError;
  std::optional<std::string> meetingFile;
  std::optional<std::string> meetingFileHash;
  std::optional<std::string> title;

  MeetingStatus(State state, Date startedAt, std::optional<std::string> language = std::nullopt)
      : state(state), startedAt(startedAt), language(std::move(language)) {}

  // `duration` when known, else endedAt − startedAt, else nothing.
  std::optional<double> length() const;
  bool hasCompleted(Step step) const;

  bool operator==(const MeetingStatus&) const = default;
};

// "recording", "processing", "needs-attention", "done".
std::string toString(MeetingStatus::State state);
std::optional<MeetingStatus::State> stateFromString(const std::string& text);
// "transcribe", "merge", "notes".
std::string toString(MeetingStatus::Step step);
std::optional<MeetingStatus::Step> stepFromString(const std::string& text);

// JSON form (library style). Reading throws LibraryJson::DecodingError.
void to_json(nlohmann::json& json, const MeetingStatus& status);
MeetingStatus meetingStatusFromJson(const nlohmann::json& json);

}  // namespace kelv::core
