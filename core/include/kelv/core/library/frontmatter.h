// The front matter of a Meeting file: the lines between an opening "---" on the first line and
// the next "---". Only flat "key: value" lines are read; indented lines (the participant list)
// and lines without a colon are passed over. Lines are split at line feeds only. Pure
// functions, safe from any thread.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelv::core::Frontmatter {

// Half-open range [first, second) of the field lines between the fences, or nothing when
// there is no opening fence on the first line or no closing fence.
std::optional<std::pair<size_t, size_t>> fieldLines(const std::vector<std::string>& lines);

// Key (text before the first colon, as is) to value (after it, blanks and tabs trimmed); a
// later key wins. Nothing when there is no front matter.
std::optional<std::map<std::string, std::string>> fields(const std::vector<std::string>& lines);

// The text after the closing fence (from the line feed that ends it), or the whole text when
// there is no front matter.
std::string body(std::string_view text);

// The text split at every line feed, empty lines kept.
std::vector<std::string> lines(std::string_view text);

}  // namespace kelv::core::Frontmatter
