// The searchable pieces of one Meeting file: its title, each notes block (under the heading it
// stands in) and each transcript turn. Pure functions of the text, safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/search/search_hit.h"

namespace kelv::core {

struct MeetingPassage {
  SearchHit::Kind kind = SearchHit::Kind::notes;
  std::string text;
  std::optional<double> time;
  std::optional<std::string> speaker;
  std::string section;
  std::optional<int> block;  // position among the blocks the Meeting file view shows

  bool operator==(const MeetingPassage&) const = default;
};

namespace MeetingPassages {

// The title first, then the file's blocks in order; rules, the transcript's heading and blocks
// without text are left out. Block positions are those of MeetingFileBlocks::forTitle with the
// same title.
std::vector<MeetingPassage> of(std::string_view markdown, std::string_view title);

// "hh:mm:ss" as seconds; nothing for any other text.
std::optional<double> seconds(std::string_view time);

}  // namespace MeetingPassages
}  // namespace kelv::core
