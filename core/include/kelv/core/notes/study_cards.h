// Study cards from a class: the notes backend is asked for question-and-answer cards about
// the class's notes (or its transcript when it has none), about one per key idea, in the
// class's language, as JSON; the reply is read tolerantly (code fences, a preamble, a reply in
// the notes' own "P: … :: R: …" form). The text sent is cut at line boundaries to the notes
// writer's budget for the backend's context. Also the cards as a deck Anki imports as is.
//
// Stateless; the request is made on the calling thread and backend errors pass through. Safe
// from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/backends/notes_backend.h"

namespace kelv::core {

struct StudyCard {
  std::string front;
  std::string back;

  bool operator==(const StudyCard&) const = default;
};

namespace StudyCards {

inline constexpr size_t kMaxCards = 40;

// What the cards are made from.
struct Material {
  std::string text;                     // the notes' Markdown, or the transcript's lines
  bool transcript = false;              // the text is the transcript
  std::optional<std::string> language;  // the class's language code ("es"), when known
};

// The system text of the request.
std::string systemText(const std::optional<std::string>& language);

// The user message: the material cut to the budget of a model with this context size.
std::string userText(const Material& material, long long contextTokens);

// At most kMaxCards cards, in the order the model gave them. Throws NotesError::noCards when
// not one card with both sides can be read.
std::vector<StudyCard> read(std::string_view reply);

// Asks the backend and reads its reply. Throws the backend's error or NotesError::noCards.
std::vector<StudyCard> ask(const Material& material, const NotesBackend& backend);

// The deck in Anki's text import format: the header lines (tab separator, no HTML, the deck
// "Tizara::<title>", tags in the third column), then one card per line. Tabs and line breaks
// inside a side become blanks, so a card never spills over into the next line.
std::string ankiText(const std::vector<StudyCard>& cards, std::string_view title,
                     const std::vector<std::string>& tags);

}  // namespace StudyCards
}  // namespace kelv::core
