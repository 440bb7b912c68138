// The blocks of a Meeting file as the meetings window shows them: a small line-based reader
// that knows exactly the shapes the notes and the file writer produce (headings, bulleted,
// numbered and checkbox items with inline fields, quotes, fenced code, paragraphs, rules, and
// the transcript section of timestamped speaker lines). It is not a Markdown reader: a text
// keeps whatever it says, and every line of the file ends in some block. Pure functions of the
// text, safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::core {

// The bullet of an item.
struct Marker {
  enum class Kind { bullet, number, task };
  Kind kind = Kind::bullet;
  std::string number;   // number: the number with its point, such as "3."
  bool ticked = false;  // task: the checkbox is ticked

  static Marker bullet() { return {}; }
  static Marker numbered(std::string number) { return {Kind::number, std::move(number), false}; }
  static Marker task(bool ticked) { return {Kind::task, {}, ticked}; }
  bool operator==(const Marker&) const = default;
};

struct Block {
  enum class Kind { heading, item, quote, code, paragraph, turn, rule, transcript };
  Kind kind = Kind::paragraph;
  int level = 0;                       // heading: 1 or more; item: the indent level, 0 or more
  Marker marker;                       // item
  std::string text;                    // heading, item, quote, code, paragraph, turn
  std::vector<std::string> fields;     // item: the field chips' texts, in order of appearance
  std::string time;                    // turn: "hh:mm:ss" as written
  std::optional<std::string> speaker;  // turn
  bool continued = false;              // turn: same speaker as the turn before it

  static Block heading(int level, std::string text);
  static Block item(int indent, Marker marker, std::string text, std::vector<std::string> fields);
  static Block quote(std::string text);
  static Block code(std::string text);
  static Block paragraph(std::string text);
  static Block turn(std::string time, std::optional<std::string> speaker, std::string text,
                    bool continued);
  static Block rule();
  static Block transcript();
  bool operator==(const Block&) const = default;
};

namespace MeetingFileBlocks {

// The blocks of a whole Meeting file (its front matter left out). Field values that are ISO
// calendar dates are written as day and abbreviated month in the ICU locale named (empty: the
// user's default locale). Bytes that are not UTF-8 become U+FFFD; CRLF line ends read as LF.
std::vector<Block> parse(std::string_view markdown, std::string_view locale = {});

// As the window shows a meeting: the blocks without any level-1 heading whose text is the
// meeting's title, which the window shows itself above them.
std::vector<Block> forTitle(std::string_view markdown, std::string_view title,
                            std::string_view locale = {});

// The text of a field chip: the value alone for the key "owner"; otherwise the key capitalised,
// a space, and the value, written as a date when it reads as one.
std::string fieldText(std::string_view key, std::string_view value, std::string_view locale = {});

std::string_view kindName(Block::Kind kind);

}  // namespace MeetingFileBlocks

}  // namespace kelv::core
