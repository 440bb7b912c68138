// What the user typed into a search, made into an FTS5 MATCH expression that can't be read as
// query syntax: every word becomes a quoted string (so quotes, "*", "-", "NEAR", "AND", column
// names and parentheses are only text), words between double quotes become one phrase, and the
// last word matches as a prefix while it is still being typed (from its second letter). Pure
// functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::core::SearchQuery {

// One thing that must match: a single word or a phrase of several.
struct Term {
  std::vector<std::string> words;
  bool prefix = false;  // the last word may go on

  bool operator==(const Term&) const = default;
};

// The terms of the text. A quote left open runs to the end. The last term is a prefix unless
// the text ends in white space or a closing quote, or its last word ends in a single letter.
// Pieces without a letter or digit match nothing the index holds and are left out.
std::vector<Term> terms(std::string_view text);

// The expression for MATCH, or nothing when the text holds no word to look for.
std::optional<std::string> matchExpression(std::string_view text);

}  // namespace kelv::core::SearchQuery
