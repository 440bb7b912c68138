#include "kelv/core/transcript/timed_segment.h"

#include <nlohmann/json.hpp>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

void to_json(nlohmann::json& json, const TimedSegment& segment) {
  json = nlohmann::json::object();
  json["start"] = segment.start;
  json["end"] = segment.end;
  json["text"] = segment.text;
  if (segment.speaker) json["speaker"] = *segment.speaker;
}

TimedSegment timedSegmentFromJson(const nlohmann::json& json) {
  using namespace LibraryJson;
  if (!json.is_object()) throw DecodingError("A transcript segment is not a JSON object.");
  TimedSegment segment;
  segment.start = requireNumber(json, "start");
  segment.end = requireNumber(json, "end");
  segment.text = requireString(json, "text");
  segment.speaker = optionalString(json, "speaker");
  return segment;
}

std::vector<TimedSegment> timedSegmentsFromJson(const nlohmann::json& json) {
  if (!json.is_array()) {
    throw LibraryJson::DecodingError("A list of transcript segments is not a JSON array.");
  }
  std::vector<TimedSegment> segments;
  segments.reserve(json.size());
  for (const auto& element : json) segments.push_back(timedSegmentFromJson(element));
  return segments;
}

}  // namespace kelv::core
