// A stretch of recognised speech with its times: the unit every transcription backend returns
// for one track, and what the pipeline checkpoints per track. Plain value type.
//
// JSON form: {"start", "end", "text", "speaker"?}; an absent speaker is left out and a missing
// or null "speaker" reads as absent. Reading throws LibraryJson::DecodingError.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace kelv::core {

struct TimedSegment {
  double start = 0;  // seconds from the track's start
  double end = 0;
  std::string text;
  std::optional<std::string> speaker;

  bool operator==(const TimedSegment&) const = default;
};

void to_json(nlohmann::json& json, const TimedSegment& segment);
TimedSegment timedSegmentFromJson(const nlohmann::json& json);
// A JSON array of segments, as the pipeline's checkpoint files hold them.
std::vector<TimedSegment> timedSegmentsFromJson(const nlohmann::json& json);

}  // namespace kelv::core
