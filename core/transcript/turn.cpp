#include "kelv/core/transcript/turn.h"

#include <nlohmann/json.hpp>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

void to_json(nlohmann::json& json, const Turn& turn) {
  json = nlohmann::json::object();
  json["start"] = turn.start;
  if (turn.speaker) json["speaker"] = *turn.speaker;
  json["text"] = turn.text;
}

Turn turnFromJson(const nlohmann::json& json) {
  using namespace LibraryJson;
  if (!json.is_object()) throw DecodingError("A transcript turn is not a JSON object.");
  Turn turn;
  turn.start = requireNumber(json, "start");
  turn.speaker = optionalString(json, "speaker");
  turn.text = requireString(json, "text");
  return turn;
}

std::vector<Turn> turnsFromJson(const nlohmann::json& json) {
  if (!json.is_array()) throw LibraryJson::DecodingError("A list of turns is not a JSON array.");
  std::vector<Turn> turns;
  turns.reserve(json.size());
  for (const auto& element : json) turns.push_back(turnFromJson(element));
  return turns;
}

}  // namespace kelv::core
