// The notes the language model wrote for one meeting, as the pipeline stores them in
// notes.json and renders them into the Meeting file. Plain value type.
//
// JSON form: {"title"?, "markdown", "turns"?}; absent optionals are left out, and a missing or
// null "title"/"turns" reads as absent. Reading throws LibraryJson::DecodingError.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "kelv/core/transcript/turn.h"

namespace kelv::core {

struct Notes {
  // The title the model gave in its title line.
  std::optional<std::string> title;
  // Markdown; never empty in a value the notes step returns.
  std::string markdown;
  // The transcript after vocabulary correction; present only when the correction changed it.
  std::optional<std::vector<Turn>> turns;

  bool operator==(const Notes&) const = default;

  // Reads the model's final reply: a first line "Title: …" (any case) becomes the title,
  // trimmed of spaces, tabs and the characters "*#; the remaining lines are the Markdown.
  static Notes fromReply(std::string_view reply);
};

void to_json(nlohmann::json& json, const Notes& notes);
Notes notesFromJson(const nlohmann::json& json);

}  // namespace kelv::core
