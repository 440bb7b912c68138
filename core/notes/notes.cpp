#include "kelv/core/notes/notes.h"

#include <nlohmann/json.hpp>

#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/library_json.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {

Notes Notes::fromReply(std::string_view reply) {
  const std::string text = UnicodeText::trimmed(reply);
  Notes notes;
  std::string_view rest = text;
  const size_t lineEnd = rest.find('\n');
  const std::string_view first = rest.substr(0, lineEnd);
  // "title:" is ASCII, and no other character lower-cases into it, so the prefix is 6 bytes.
  if (UnicodeText::lowercased(first.substr(0, 6)) == "title:") {
    const std::string_view title = AsciiText::trimmed(first.substr(6), " \t\"*#");
    if (!title.empty()) notes.title = std::string(title);
    rest = lineEnd == std::string_view::npos ? std::string_view{} : rest.substr(lineEnd + 1);
  }
  notes.markdown = std::string(rest);
  return notes;
}

void to_json(nlohmann::json& json, const Notes& notes) {
  json = nlohmann::json::object();
  if (notes.title) json["title"] = *notes.title;
  json["markdown"] = notes.markdown;
  if (notes.turns) json["turns"] = *notes.turns;
}

Notes notesFromJson(const nlohmann::json& json) {
  using namespace LibraryJson;
  if (!json.is_object()) throw DecodingError("The notes are not a JSON object.");
  Notes notes;
  notes.title = optionalString(json, "title");
  notes.markdown = requireString(json, "markdown");
  if (auto found = json.find("turns"); found != json.end() && !found->is_null()) {
    notes.turns = turnsFromJson(*found);
  }
  return notes;
}

}  // namespace kelv::core
