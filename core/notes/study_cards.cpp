#include "kelv/core/notes/study_cards.h"

#include <algorithm>
#include <iterator>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/notes_error.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::StudyCards {
namespace {

using nlohmann::json;

// The keys a model may give a card's two sides under, whichever language it answers in.
constexpr std::string_view kFronts[] = {"front", "question", "pregunta", "q", "p", "anverso"};
constexpr std::string_view kBacks[] = {"back", "answer", "respuesta", "a", "r", "reverso"};

std::string sideOf(const json& card, const std::string_view (&keys)[6]) {
  for (const std::string_view key : keys) {
    for (auto it = card.begin(); it != card.end(); ++it) {
      if (UnicodeText::lowercased(it.key()) == key && it->is_string())
        return UnicodeText::trimmed(UnicodeText::plainText(it->get<std::string>()));
    }
  }
  return {};
}

void collect(const json& value, std::vector<StudyCard>& cards) {
  if (value.is_array()) {
    for (const json& item : value) {
      if (!item.is_object()) continue;
      StudyCard card{sideOf(item, kFronts), sideOf(item, kBacks)};
      if (!card.front.empty() && !card.back.empty()) cards.push_back(std::move(card));
    }
  } else if (value.is_object()) {
    // {"cards": [...]}, or a single card on its own.
    for (auto it = value.begin(); it != value.end(); ++it)
      if (it->is_array()) collect(*it, cards);
    if (cards.empty()) collect(json::array({value}), cards);
  }
}

// The first JSON value in the text that parses: from each "[" or "{" to its last partner,
// so a preamble, a code fence or a closing remark around it is passed over.
std::vector<StudyCard> fromJson(std::string_view reply) {
  std::vector<StudyCard> cards;
  for (size_t begin = reply.find_first_of("[{"); begin != std::string_view::npos;
       begin = reply.find_first_of("[{", begin + 1)) {
    const char close = reply[begin] == '[' ? ']' : '}';
    for (size_t end = reply.rfind(close); end != std::string_view::npos && end > begin;
         end = reply.rfind(close, end - 1)) {
      const json parsed = json::parse(reply.substr(begin, end - begin + 1), nullptr, false);
      if (parsed.is_discarded()) continue;
      collect(parsed, cards);
      if (!cards.empty()) return cards;
      break;
    }
  }
  return cards;
}

std::string withoutEmphasis(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (c != '*') out += c;
  return UnicodeText::trimmed(out);
}

bool isSideLabel(std::string_view label) {
  const std::string lower = UnicodeText::lowercased(UnicodeText::trimmed(label));
  const auto among = [&lower](const auto& keys) {
    return std::find(std::begin(keys), std::end(keys), lower) != std::end(keys);
  };
  return among(kFronts) || among(kBacks);
}

// Lines in the notes' own card form: "- **P:** question :: **R:** answer".
std::vector<StudyCard> fromLines(std::string_view reply) {
  std::vector<StudyCard> cards;
  size_t start = 0;
  while (start <= reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string_view::npos) end = reply.size();
    std::string line = withoutEmphasis(reply.substr(start, end - start));
    start = end + 1;
    if (line.starts_with("- ")) line.erase(0, 2);
    const size_t split = line.find("::");
    if (split == std::string::npos) continue;
    std::string front = UnicodeText::trimmed(std::string_view(line).substr(0, split));
    std::string back = UnicodeText::trimmed(std::string_view(line).substr(split + 2));
    for (std::string* side : {&front, &back}) {
      const size_t colon = side->find(':');
      if (colon != std::string::npos && isSideLabel(side->substr(0, colon)))
        *side = UnicodeText::trimmed(side->substr(colon + 1));
    }
    if (!front.empty() && !back.empty()) cards.push_back({std::move(front), std::move(back)});
  }
  return cards;
}

// A side on one line: tabs and every line break become a blank.
std::string oneLine(std::string_view side) {
  std::string out = UnicodeText::plainLine(side);
  for (char& c : out)
    if (c == '\t') c = ' ';
  return out;
}

// A field Anki's reader would take for a quoted one or, first on a line, for a comment is
// quoted itself.
std::string field(std::string_view side) {
  std::string text = oneLine(side);
  if (text.empty() || (text.front() != '"' && text.front() != '#')) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string systemText(const std::optional<std::string>& language) {
  std::string text =
      "Eres un tutor universitario que prepara tarjetas de estudio (flashcards) a partir de una "
      "clase. Escribe una tarjeta por idea clave (concepto, definición, fórmula, fecha, "
      "ejemplo o aviso de examen), como máximo " +
      std::to_string(kMaxCards) +
      ". Cada tarjeta: una pregunta breve y concreta en el anverso y una respuesta corta y "
      "exacta en el reverso. No inventes nada que no aparezca en la clase. ";
  text += language ? "Escribe las tarjetas en el idioma de la clase (código " + *language + "). "
                   : "Escribe las tarjetas en el idioma de la clase. ";
  text +=
      "Responde solo con JSON, sin texto alrededor, con esta forma: "
      "{\"cards\": [{\"front\": \"pregunta\", \"back\": \"respuesta\"}]}";
  return text;
}

std::string userText(const Material& material, long long contextTokens) {
  const std::string system = systemText(material.language);
  const std::vector<std::string> parts =
      NotesWriter::chunks(material.text, NotesWriter::maxChars(system, contextTokens));
  std::string user =
      material.transcript ? "Transcripción de la clase:\n\n" : "Apuntes de la clase:\n\n";
  if (!parts.empty()) user += parts.front();
  user += "\n\nEscribe las tarjetas de estudio:";
  return user;
}

std::vector<StudyCard> read(std::string_view reply) {
  std::vector<StudyCard> cards = fromJson(reply);
  if (cards.empty()) cards = fromLines(reply);
  if (cards.empty()) throw NotesError::noCards();
  if (cards.size() > kMaxCards) cards.resize(kMaxCards);
  return cards;
}

std::vector<StudyCard> ask(const Material& material, const NotesBackend& backend) {
  return read(
      backend.complete(systemText(material.language), userText(material, backend.contextTokens())));
}

std::string ankiText(const std::vector<StudyCard>& cards, std::string_view title,
                     const std::vector<std::string>& tags) {
  std::string deck = oneLine(title);
  // "::" would nest the class one deck deeper.
  for (size_t at = deck.find("::"); at != std::string::npos; at = deck.find("::", at))
    deck.replace(at, 2, ":");
  std::string tagColumn;
  for (const std::string& tag : tags) {
    if (!tagColumn.empty()) tagColumn += ' ';
    tagColumn += oneLine(tag);
  }
  std::string out = "#separator:tab\n#html:false\n#deck:Tizara::" + deck + "\n#tags column:3\n";
  for (const StudyCard& card : cards)
    out += field(card.front) + "\t" + field(card.back) + "\t" + tagColumn + "\n";
  return out;
}

}  // namespace kelv::core::StudyCards
