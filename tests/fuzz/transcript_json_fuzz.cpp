// The JSON readers of segments and turns over arbitrary text: only DecodingError may escape,
// what decodes round-trips, and decoded segments survive the merge.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kelv/core/transcript/timed_segment.h"
#include "kelv/core/transcript/transcript_merge.h"
#include "kelv/core/transcript/turn.h"
#include "kelv/core/util/library_json.h"

using namespace kelv::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nlohmann::json json;
  try {
    json = LibraryJson::parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const LibraryJson::DecodingError&) {
    return 0;
  }
  try {
    const auto segments = timedSegmentsFromJson(json);
    if (timedSegmentsFromJson(LibraryJson::parse(LibraryJson::encode(nlohmann::json(segments)))) !=
        segments) {
      std::abort();
    }
    const std::vector<TimedSegment> mic(segments.begin(), segments.begin() + segments.size() / 2);
    const std::vector<TimedSegment> system(segments.begin() + segments.size() / 2, segments.end());
    for (const Turn& turn : TranscriptMerge::merge(mic, system)) {
      if (turn.text.empty() || (turn.speaker != "You" && turn.speaker != "Them")) std::abort();
    }
    TranscriptMerge::mixed(segments, true);
    TranscriptMerge::mixed(segments, false);
  } catch (const LibraryJson::DecodingError&) {
  }
  try {
    const auto turns = turnsFromJson(json);
    if (turnsFromJson(LibraryJson::parse(LibraryJson::encode(nlohmann::json(turns)))) != turns)
      std::abort();
  } catch (const LibraryJson::DecodingError&) {
  }
  return 0;
}
