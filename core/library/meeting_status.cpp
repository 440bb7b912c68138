#include "kelv/core/library/meeting_status.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace kelv::core {

using State = MeetingStatus::State;
using Step = MeetingStatus::Step;

std::optional<double> MeetingStatus::length() const {
  if (duration) return duration;
  if (endedAt) return std::chrono::duration<double>(*endedAt - startedAt).count();
  return std::nullopt;
}

bool MeetingStatus::hasCompleted(Step step) const {
  return std::find(completedSteps.begin(), completedSteps.end(), step) != completedSteps.end();
}

std::string toString(State state) {
  switch (state) {
    case State::recording:
      return "recording";
    case State::processing:
      return "processing";
    case State::needsAttention:
      return "needs-attention";
    case State::done:
      return "done";
  }
  return "done";
}

std::optional<State> stateFromString(const std::string& text) {
  for (State state : {State::recording, State::processing, State::needsAttention, State::done})
    if (toString(state) == text) return state;
  return std::nullopt;
}

std::string toString(Step step) {
  switch (step) {
    case Step::transcribe:
      return "transcribe";
    case Step::merge:
      return "merge";
    case Step::notes:
      return "notes";
  }
  return "notes";
}

std::optional<Step> stepFromString(const std::string& text) {
  for (Step step : {Step::transcribe, Step::merge, Step::notes})
    if (toString(step) == text) return step;
  return std::nullopt;
}

void to_json(nlohmann::json& json, const MeetingStatus& status) {
  json = nlohmann::json::object();
  json["state"] = toString(status.state);
  json["startedAt"] = LibraryJson::formatDate(status.startedAt);
  if (status.endedAt) json["endedAt"] = LibraryJson::formatDate(*status.endedAt);
  json["interrupted"] = status.interrupted;
  if (status.language) json["language"] = *status.language;
  if (status.duration) json["duration"] = *status.duration;
  auto steps = nlohmann::json::array();
  for (Step step : status.completedSteps) steps.push_back(toString(step));
  json["completedSteps"] = std::move(steps);
  if (status.transcriptionBackend) json["transcriptionBackend"] = *status.transcriptionBackend;
  if (status.notesBackend) json["notesBackend"] = *status.notesBackend;
  if (status.lastError) json["lastError"] = *status.lastError;
  if (status.meetingFile) json["meetingFile"] = *status.meetingFile;
  if (status.meetingFileHash) json["meetingFileHash"] = *status.meetingFileHash;
  if (status.title) json["title"] = *status.title;
}

MeetingStatus meetingStatusFromJson(const nlohmann::json& json) {
  using namespace LibraryJson;
  const std::string stateText = requireString(json, "state");
  const auto state = stateFromString(stateText);
  if (!state) throw DecodingError("Unknown meeting state “" + stateText + "”.");

  MeetingStatus status(*state, requireDate(json, "startedAt"), optionalString(json, "language"));
  status.endedAt = optionalDate(json, "endedAt");
  status.interrupted = requireBool(json, "interrupted");
  status.duration = optionalNumber(json, "duration");
  for (const auto& element : requireArray(json, "completedSteps")) {
    const std::string text = asString(element, "a processing step");
    const auto step = stepFromString(text);
    if (!step) throw DecodingError("Unknown processing step “" + text + "”.");
    status.completedSteps.push_back(*step);
  }
  status.transcriptionBackend = optionalString(json, "transcriptionBackend");
  status.notesBackend = optionalString(json, "notesBackend");
  status.lastError = optionalString(json, "lastError");
  status.meetingFile = optionalString(json, "meetingFile");
  status.meetingFileHash = optionalString(json, "meetingFileHash");
  status.title = optionalString(json, "title");
  return status;
}

}  // namespace kelv::core
