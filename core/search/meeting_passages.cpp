#include "meeting_passages.h"

#include "kelv/core/library/meeting_file_blocks.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::MeetingPassages {

namespace {

// The notes' inline emphasis and code marks say nothing to a reader of one line of context.
std::string withoutInlineMarks(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '`') continue;
    if (text[index] == '*' && index + 1 < text.size() && text[index + 1] == '*') {
      ++index;
      continue;
    }
    out += text[index];
  }
  return out;
}

}  // namespace

std::optional<double> seconds(std::string_view time) {
  if (time.size() != 8 || time[2] != ':' || time[5] != ':') return std::nullopt;
  int parts[3] = {0, 0, 0};
  for (int part = 0; part < 3; ++part) {
    const char tens = time[static_cast<size_t>(part) * 3];
    const char ones = time[static_cast<size_t>(part) * 3 + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
    parts[part] = (tens - '0') * 10 + (ones - '0');
  }
  return parts[0] * 3600.0 + parts[1] * 60.0 + parts[2];
}

std::vector<MeetingPassage> of(std::string_view markdown, std::string_view title) {
  std::vector<MeetingPassage> out;
  if (!UnicodeText::isBlank(title))
    out.push_back({SearchHit::Kind::title, std::string(title), {}, {}, {}, {}});
  const std::vector<Block> blocks = MeetingFileBlocks::forTitle(markdown, title);
  std::string section;
  for (size_t index = 0; index < blocks.size(); ++index) {
    const Block& block = blocks[index];
    const int position = static_cast<int>(index);
    switch (block.kind) {
      case Block::Kind::rule:
      case Block::Kind::transcript:
        break;
      case Block::Kind::turn:
        if (!UnicodeText::isBlank(block.text))
          out.push_back({SearchHit::Kind::turn,
                         block.text,
                         seconds(block.time),
                         block.speaker,
                         {},
                         position});
        break;
      case Block::Kind::heading:
        section = block.text;
        [[fallthrough]];
      default: {
        std::string text =
            block.kind == Block::Kind::code ? block.text : withoutInlineMarks(block.text);
        for (const std::string& field : block.fields) text += " " + field;
        if (!UnicodeText::isBlank(text))
          out.push_back({SearchHit::Kind::notes, std::move(text), {}, {}, section, position});
      }
    }
  }
  return out;
}

}  // namespace kelv::core::MeetingPassages
