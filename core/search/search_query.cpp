#include "kelv/core/search/search_query.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "kelv/core/util/unicode_text.h"

namespace kelv::core::SearchQuery {

namespace {

// As the index's tokenizer sees a word: at least one letter or number.
bool holdsWordCharacter(std::string_view word) {
  int32_t index = 0;
  const auto length = static_cast<int32_t>(word.size());
  while (index < length) {
    UChar32 c;
    U8_NEXT(word.data(), index, length, c);
    if (c < 0) continue;
    const int32_t category = U_GET_GC_MASK(c);
    if ((category & (U_GC_L_MASK | U_GC_N_MASK)) != 0) return true;
  }
  return false;
}

// Letters and numbers at the end of the word: the last token the index's tokenizer makes of
// it, which is what a prefix query looks up.
int lastTokenLength(std::string_view word) {
  int length = 0;
  int32_t index = static_cast<int32_t>(word.size());
  while (index > 0) {
    UChar32 c;
    U8_PREV(word.data(), 0, index, c);
    const bool wordCharacter = c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
    if (wordCharacter) {
      ++length;
    } else if (length > 0) {
      break;
    }
  }
  return length;
}

struct Piece {
  std::string_view text;
  bool whiteSpace = false;
  bool quote = false;
};

// The text cut into words, runs of white space and double quotes.
std::vector<Piece> pieces(std::string_view text) {
  std::vector<Piece> out;
  int32_t index = 0;
  int32_t wordStart = -1;
  const auto length = static_cast<int32_t>(text.size());
  const auto endWord = [&](int32_t at) {
    if (wordStart < 0) return;
    out.push_back(
        {text.substr(static_cast<size_t>(wordStart), static_cast<size_t>(at - wordStart))});
    wordStart = -1;
  };
  while (index < length) {
    const int32_t start = index;
    UChar32 c;
    U8_NEXT(text.data(), index, length, c);
    if (c == u'"') {
      endWord(start);
      out.push_back({text.substr(static_cast<size_t>(start), 1), false, true});
    } else if (c >= 0 && u_isUWhiteSpace(c)) {
      endWord(start);
      if (out.empty() || !out.back().whiteSpace) out.push_back({{}, true, false});
    } else if (wordStart < 0) {
      wordStart = start;
    }
  }
  endWord(length);
  return out;
}

}  // namespace

std::vector<Term> terms(std::string_view text) {
  std::vector<Term> out;
  bool inPhrase = false;
  Term phrase;
  bool endsOpen = false;  // whether the last piece could still grow
  for (const Piece& piece : pieces(text)) {
    if (piece.quote || piece.whiteSpace) endsOpen = false;
    if (piece.quote) {
      if (inPhrase && !phrase.words.empty()) out.push_back(std::move(phrase));
      phrase = {};
      inPhrase = !inPhrase;
      continue;
    }
    if (piece.whiteSpace || !holdsWordCharacter(piece.text)) continue;
    endsOpen = true;
    if (inPhrase) {
      phrase.words.emplace_back(piece.text);
    } else {
      out.push_back({{std::string(piece.text)}, false});
    }
  }
  if (inPhrase && !phrase.words.empty()) out.push_back(std::move(phrase));
  // The index keeps prefixes of two letters and more: one letter would scan every word, so it
  // is searched as a whole word until a second one follows.
  if (endsOpen && !out.empty() && lastTokenLength(out.back().words.back()) >= 2)
    out.back().prefix = true;
  return out;
}

std::optional<std::string> matchExpression(std::string_view text) {
  // Bytes that are not UTF-8 would reach the tokenizer as they are.
  const std::vector<Term> all = terms(UnicodeText::repaired(text));
  if (all.empty()) return std::nullopt;
  std::string expression;
  for (const Term& term : all) {
    if (!expression.empty()) expression += ' ';
    expression += '"';
    for (size_t index = 0; index < term.words.size(); ++index) {
      if (index > 0) expression += ' ';
      // Quotes never reach a word (they split the text), but a doubled quote is how FTS5
      // escapes one, should that ever change.
      for (const char c : term.words[index]) {
        if (c == '"') expression += '"';
        expression += c;
      }
    }
    expression += '"';
    if (term.prefix) expression += '*';
  }
  return expression;
}

}  // namespace kelv::core::SearchQuery
