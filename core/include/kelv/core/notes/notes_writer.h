// The notes step: corrects misheard vocabulary in a merged transcript, has a language model
// write Markdown notes (splitting a long transcript into parts that fit the model's context and
// combining the part notes afterwards), then takes the title and drops empty sections.
//
// Stateless functions. Every request to the backend is made on the calling thread and finishes
// before the next one starts; backend errors pass through unchanged. All lengths are counted in
// user-perceived characters (grapheme clusters). Safe to call from any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/notes/notes.h"
#include "kelv/core/transcript/turn.h"

namespace kelv::core::NotesWriter {

// The system text used when the user has not written a notes prompt of their own.
extern const std::string_view defaultPrompt;

// The operation the pipeline runs: turns and a backend in, notes out. Throws the backend's
// error or NotesError::empty.
using Step = std::function<Notes(const std::vector<Turn>&, const NotesBackend&)>;

// A notes step that uses `prompt` as the system text and asks for `vocabulary` to be spelled
// exactly (and corrected in the transcript first).
Step step(std::string prompt, std::vector<std::string> vocabulary);

// The turns with misheard forms of vocabulary terms replaced, as suggested by the model and
// verified against the transcript. No request when the vocabulary or the turns are empty.
std::vector<Turn> correctVocabulary(const std::vector<Turn>& turns,
                                    const std::vector<std::string>& vocabulary,
                                    const NotesBackend& backend);

// The model's notes for `text`: a transcript (`transcript` true) or joined part notes. Texts
// longer than one part are written part by part and then combined, splitting at most at depths
// 0, 1 and 2.
std::string write(std::string_view text, bool transcript, const std::string& system,
                  const NotesBackend& backend, int depth);

// The largest part, in characters, for requests with this system text to a model with this
// context size: never below 4000.
long long maxChars(std::string_view system, long long contextTokens);

// The text cut at line boundaries into parts of at most `maxChars` characters; a line longer
// than that is cut into pieces of exactly `maxChars`. The empty text gives no parts.
std::vector<std::string> chunks(std::string_view text, long long maxChars);

// The Markdown without "## " sections whose body is empty, "none", "n/a", "na" or "nothing"
// (ignoring case and surrounding bullets, dots and spaces).
std::string omitEmptySections(std::string_view markdown);

// The exact text of `text` to replace by `term`, given the model's suggestion `from`: `from`
// itself when it already resembles the term, else the best-matching window of words around an
// occurrence of `from`, or nothing when no candidate resembles the term enough.
std::optional<std::string> misheard(std::string_view from, std::string_view term,
                                    std::string_view text);

// How alike two texts sound, from 0 to 1: Levenshtein over their letters, lower-cased, with
// "y" read as "i" and doubled letters read once.
double similarity(std::string_view a, std::string_view b);

// The transcript as the model reads it: one "[hh:mm:ss] Speaker: text" line per turn.
std::string plainText(const std::vector<Turn>& turns);

}  // namespace kelv::core::NotesWriter
