#include "kelv/core/notes/notes_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "kelv/core/backends/notes_error.h"
#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/duration_text.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::NotesWriter {
namespace {

constexpr long long kReplyReserveTokens = 2048;
constexpr long long kWrapperTokens = 100;
constexpr long long kCharsPerToken = 4;
constexpr long long kMinimumPartTokens = 1000;
constexpr int kDeepestSplit = 2;

constexpr std::string_view kTranscript = "the meeting transcript";
constexpr std::string_view kPartNotes = "notes from consecutive parts of one meeting";

long long characterCount(std::string_view text) {
  return static_cast<long long>(UnicodeText::characters(text).size());
}

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    out.push_back(text.substr(start, end - start));
  }
  out.push_back(text.substr(start));
  return out;
}

// The section body with bullets, dots and spaces trimmed, in the forms that mean "nothing".
bool isEmptyBody(std::string_view body) {
  const std::string lower = UnicodeText::lowercased(body);
  std::string_view rest = lower;
  // Hyphen-minus, asterisk, bullet (U+2022, three bytes), full stop, space, line break, tab.
  static constexpr std::string_view kBullet = "\u2022";
  for (bool trimmedSomething = true; trimmedSomething;) {
    trimmedSomething = false;
    const size_t before = rest.size();
    rest = AsciiText::trimmed(rest, "-*. \n\t");
    if (rest.starts_with(kBullet)) rest.remove_prefix(kBullet.size());
    if (rest.ends_with(kBullet)) rest.remove_suffix(kBullet.size());
    trimmedSomething = rest.size() != before;
  }
  return rest.empty() || rest == "none" || rest == "n/a" || rest == "na" || rest == "nothing";
}

}  // namespace

const std::string_view defaultPrompt =
    R"PROMPT(Eres un tutor universitario que convierte la transcripción de una clase en apuntes de estudio en Markdown.     "You" es el estudiante que grabó la clase; "Them" es el profesorado (y a veces compañeros).
Escribe en el idioma de la transcripción, con estas secciones en este orden:

## Resumen
Uno a tres párrafos breves: de qué trató la clase, qué tema del temario cubre y la idea central.

## Conceptos clave
Lista de los conceptos explicados. Cada uno: `- **Concepto**: explicación clara en una o dos frases`.

## Definiciones y fórmulas
Definiciones literales, teoremas, fórmulas (en LaTeX entre `$...$`) y fechas o autores citados. Solo lo que se dijo.

## Ejemplos
Los ejemplos o ejercicios resueltos en clase, paso a paso y en pocas líneas.

## Lo que entra en el examen
Todo lo que el profesor marcó como importante, "esto cae", repaso o evaluación. Cita la pista textual si existe.

## Preguntas de repaso
Entre 5 y 10 tarjetas de estudio con el formato `- **P:** pregunta :: **R:** respuesta breve`.

## Tareas
Una línea por tarea: `- [ ] tarea [owner:: You]` (añade `[due:: YYYY-MM-DD]` solo si se dijo una fecha de entrega).

## Dudas
Preguntas sin resolver o puntos confusos para llevar a tutoría.

Omite cualquier sección que quede vacía. No inventes contenido que no aparezca en la clase.)PROMPT";

std::string plainText(const std::vector<Turn>& turns) {
  std::string out;
  for (size_t i = 0; i < turns.size(); ++i) {
    if (i > 0) out += '\n';
    out += '[';
    out += DurationText::clock(turns[i].start);
    out += "] ";
    if (turns[i].speaker) {
      out += *turns[i].speaker;
      out += ": ";
    }
    out += turns[i].text;
  }
  return out;
}

long long maxChars(std::string_view system, long long contextTokens) {
  const long long budget = contextTokens - kReplyReserveTokens -
                           characterCount(system) / kCharsPerToken - kWrapperTokens;
  return std::max(budget, kMinimumPartTokens) * kCharsPerToken;
}

std::vector<std::string> chunks(std::string_view text, long long maxChars) {
  // A limit below one character could never make progress through a long line.
  maxChars = std::max(maxChars, 1LL);
  std::vector<std::string> parts;
  std::string current;
  long long currentLength = 0;
  auto close = [&] {
    parts.push_back(std::move(current));
    current.clear();
    currentLength = 0;
  };
  for (const std::string_view whole : lines(text)) {
    std::string_view line = whole;
    std::vector<std::string> characters;
    long long length = 0;
    // Counting is cheap for lines that are short in bytes, which cannot be long in characters.
    if (static_cast<long long>(line.size()) > maxChars) {
      characters = UnicodeText::characters(line);
      length = static_cast<long long>(characters.size());
    } else {
      length = characterCount(line);
    }
    size_t consumed = 0;  // characters of `characters` already cut off
    while (length > maxChars) {
      if (!current.empty()) close();
      std::string piece;
      for (long long i = 0; i < maxChars; ++i) piece += characters[consumed + i];
      line.remove_prefix(piece.size());
      parts.push_back(std::move(piece));
      consumed += static_cast<size_t>(maxChars);
      length -= maxChars;
    }
    if (!current.empty()) {
      if (currentLength + length + 1 > maxChars) {
        close();
      } else {
        current += '\n';
        currentLength += 1;
      }
    }
    current += line;
    currentLength += length;
  }
  if (!current.empty()) close();
  return parts;
}

std::string write(std::string_view text, bool transcript, const std::string& system,
                  const NotesBackend& backend, int depth) {
  const std::string_view description = transcript ? kTranscript : kPartNotes;
  if (depth <= kDeepestSplit) {
    const std::vector<std::string> parts = chunks(text, maxChars(system, backend.contextTokens()));
    if (parts.size() >= 2) {
      const std::string count = std::to_string(parts.size());
      std::string joined;
      for (size_t i = 0; i < parts.size(); ++i) {
        std::string user = "Here is part " + std::to_string(i + 1) + " of " + count + " of ";
        user += description;
        user += ":\n\n" + parts[i] + "\n\nWrite the meeting notes for this part:";
        if (i > 0) joined += "\n\n---\n\n";
        joined += backend.complete(system, user);
      }
      return write(joined, false, system, backend, depth + 1);
    }
  }
  std::string user = "Here is ";
  user += description;
  user += ":\n\n";
  user += text;
  user += "\n\n";
  user += transcript ? "Write the meeting notes:"
                     : "Combine them into one set of meeting notes, merging duplicates:";
  return backend.complete(system, user);
}

std::string omitEmptySections(std::string_view markdown) {
  static constexpr std::string_view kSeparator = "\n## ";
  const std::string text = "\n" + std::string(markdown);
  const std::string_view view = text;
  std::string out;
  size_t start = 0;
  bool head = true;
  while (true) {
    const size_t end = view.find(kSeparator, start);
    const std::string_view piece =
        view.substr(start, end == std::string_view::npos ? end : end - start);
    bool keep = head;
    if (!head) {
      const size_t bodyStart = piece.find('\n');
      keep = !isEmptyBody(bodyStart == std::string_view::npos ? std::string_view{}
                                                              : piece.substr(bodyStart + 1));
    }
    if (keep) {
      if (!head) out += kSeparator;
      out += piece;
    }
    head = false;
    if (end == std::string_view::npos) break;
    start = end + kSeparator.size();
  }
  return UnicodeText::trimmed(out);
}

Step step(std::string prompt, std::vector<std::string> vocabulary) {
  return [prompt = std::move(prompt), vocabulary = std::move(vocabulary)](
             const std::vector<Turn>& turns, const NotesBackend& backend) {
    std::vector<Turn> corrected = correctVocabulary(turns, vocabulary, backend);

    std::string system = prompt;
    system +=
        "\n\nStart your reply with one line `Title: <asignatura — tema de la clase>`, then the "
        "notes.";
    if (!vocabulary.empty()) {
      system += " Spell these names and terms exactly: ";
      for (size_t i = 0; i < vocabulary.size(); ++i) {
        if (i > 0) system += ", ";
        system += vocabulary[i];
      }
      system += ".";
    }

    const std::string reply = write(plainText(corrected), true, system, backend, 0);
    Notes notes = Notes::fromReply(reply);
    notes.markdown = omitEmptySections(notes.markdown);

    if (!notes.title && notes.markdown.starts_with("# ")) {
      const size_t lineEnd = notes.markdown.find('\n');
      const std::string_view heading = std::string_view(notes.markdown).substr(0, lineEnd);
      const std::string_view title = AsciiText::trimmed(heading.substr(2), " \t");
      std::string rest =
          lineEnd == std::string::npos
              ? std::string()
              : UnicodeText::trimmed(std::string_view(notes.markdown).substr(lineEnd + 1));
      if (!title.empty()) notes.title = std::string(title);
      notes.markdown = std::move(rest);
    }
    if (notes.markdown.empty()) throw NotesError::empty();

    if (corrected != turns) notes.turns = std::move(corrected);
    return notes;
  };
}

}  // namespace kelv::core::NotesWriter
