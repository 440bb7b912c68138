// One speaker's contribution to the final transcript: the unit the Meeting file stores and the
// notes writer reads. Speakers are "You", "Them", "Speaker" or a backend's own label. Plain
// value type.
//
// JSON form: {"start", "speaker"?, "text"}; an absent speaker is left out and a missing or
// null "speaker" reads as absent. Reading throws LibraryJson::DecodingError.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace kelv::core {

struct Turn {
  double start = 0;  // start of the turn's first segment, seconds from the track's start
  std::optional<std::string> speaker;
  std::string text;  // trimmed; the segments joined by one space

  bool operator==(const Turn&) const = default;
};

void to_json(nlohmann::json& json, const Turn& turn);
Turn turnFromJson(const nlohmann::json& json);
// A JSON array of turns, as the pipeline's merge checkpoint holds them.
std::vector<Turn> turnsFromJson(const nlohmann::json& json);

}  // namespace kelv::core
