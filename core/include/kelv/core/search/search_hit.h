// One place in one class where a search matched: the class's title, one notes block, or one
// transcript turn. Plain value.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

struct SearchHit {
  enum class Kind { title, notes, turn };

  // A matched word inside `snippet`, as byte offsets [begin, end).
  struct Mark {
    size_t begin = 0;
    size_t end = 0;
    bool operator==(const Mark&) const = default;
  };

  std::string meeting;  // the meeting's id, as the meetings list names it
  std::string title;
  Date date;
  Kind kind = Kind::notes;
  std::optional<double> time;          // turn: seconds from the class's start
  std::optional<std::string> speaker;  // turn
  std::string section;                 // notes: the heading the block stands under
  // The block's position among the blocks the Meeting file view shows (its title heading
  // left out); none for a title hit.
  std::optional<int> block;
  std::string snippet;  // one line of context around the match, without marks
  std::vector<Mark> marks;

  // The snippet with every mark wrapped in `open` and `close`.
  std::string markedSnippet(std::string_view open, std::string_view close) const;

  bool operator==(const SearchHit&) const = default;
};

// "title", "notes", "turn".
std::string_view toString(SearchHit::Kind kind);

}  // namespace kelv::core
