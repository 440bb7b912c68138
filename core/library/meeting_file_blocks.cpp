#include "kelv/core/library/meeting_file_blocks.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <map>
#include <memory>
#include <stdexcept>

#include "kelv/core/library/frontmatter.h"

namespace kelv::core {

Block Block::heading(int level, std::string text) {
  Block block;
  block.kind = Kind::heading;
  block.level = level;
  block.text = std::move(text);
  return block;
}

Block Block::item(int indent, Marker marker, std::string text, std::vector<std::string> fields) {
  Block block;
  block.kind = Kind::item;
  block.level = indent;
  block.marker = std::move(marker);
  block.text = std::move(text);
  block.fields = std::move(fields);
  return block;
}

Block Block::quote(std::string text) {
  Block block;
  block.kind = Kind::quote;
  block.text = std::move(text);
  return block;
}

Block Block::code(std::string text) {
  Block block;
  block.kind = Kind::code;
  block.text = std::move(text);
  return block;
}

Block Block::paragraph(std::string text) {
  Block block;
  block.kind = Kind::paragraph;
  block.text = std::move(text);
  return block;
}

Block Block::turn(std::string time, std::optional<std::string> speaker, std::string text,
                  bool continued) {
  Block block;
  block.kind = Kind::turn;
  block.time = std::move(time);
  block.speaker = std::move(speaker);
  block.text = std::move(text);
  block.continued = continued;
  return block;
}

Block Block::rule() {
  Block block;
  block.kind = Kind::rule;
  return block;
}

Block Block::transcript() {
  Block block;
  block.kind = Kind::transcript;
  return block;
}

namespace MeetingFileBlocks {
namespace {

using icu::UnicodeString;

// Compiled once; a pattern is safe to share between threads, each match makes its own matcher.
// Lines hold no line feed, so `.` may match everything else (U+2028, a lone CR …) and no line
// fails a pattern over a character it cannot see.
struct Patterns {
  std::unique_ptr<icu::RegexPattern> turn, item, field, isoDate;
};

std::unique_ptr<icu::RegexPattern> compiled(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError where{};
  std::unique_ptr<icu::RegexPattern> result(
      icu::RegexPattern::compile(UnicodeString(pattern), UREGEX_DOTALL, where, status));
  if (U_FAILURE(status)) throw std::logic_error("bad Meeting file pattern");
  return result;
}

const Patterns& patterns() {
  static const Patterns shared{
      compiled(u"\\[(\\d{2}:\\d{2}:\\d{2})\\](?: \\*\\*(.+?):\\*\\*)? ?(.*)"),
      compiled(u"(?:[-*+]|(\\d+\\.)) (?:\\[([ xX])\\] )?(.*)"),
      compiled(u"\\s*\\[(\\w+):: ([^\\]]+)\\]"),
      compiled(u"([0-9]{4})-([0-9]{2})-([0-9]{2})"),
  };
  return shared;
}

std::unique_ptr<icu::RegexMatcher> matcher(const icu::RegexPattern& pattern,
                                           const UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> result(pattern.matcher(text, status));
  if (U_FAILURE(status)) throw std::runtime_error("Meeting file pattern failed");
  return result;
}

// The matcher in the slot set onto the text, made on first use. The text must outlive its use.
icu::RegexMatcher* reused(std::unique_ptr<icu::RegexMatcher>& slot,
                          const icu::RegexPattern& pattern, const UnicodeString& text) {
  if (slot) {
    slot->reset(text);
  } else {
    slot = matcher(pattern, text);
  }
  return slot.get();
}

// An item opens with a bullet or a digit; other lines need not run the item pattern.
bool mayBeItem(const UnicodeString& text) {
  const UChar32 first = text.char32At(0);
  return first == u'-' || first == u'*' || first == u'+' || u_isdigit(first);
}

bool matchesWhole(icu::RegexMatcher& m) {
  UErrorCode status = U_ZERO_ERROR;
  return m.matches(status) && U_SUCCESS(status);
}

bool took(icu::RegexMatcher& m, int group) {
  UErrorCode status = U_ZERO_ERROR;
  return m.start(group, status) >= 0 && U_SUCCESS(status);
}

UnicodeString group(icu::RegexMatcher& m, int number) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString text = m.group(number, status);
  return U_SUCCESS(status) ? text : UnicodeString();
}

std::string utf8(const UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// The tab and every Unicode space separator; line breaks are not white space here.
bool isSpace(UChar32 c) { return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR; }

UnicodeString trimmed(const UnicodeString& line) {
  int32_t begin = 0;
  int32_t end = line.length();
  while (begin < end && isSpace(line.char32At(begin))) begin = line.moveIndex32(begin, 1);
  while (end > begin) {
    const int32_t previous = line.moveIndex32(end, -1);
    if (!isSpace(line.char32At(previous))) break;
    end = previous;
  }
  return line.tempSubStringBetween(begin, end);
}

UnicodeString trimmedBlanksAndTabs(const UnicodeString& text) {
  int32_t begin = 0;
  int32_t end = text.length();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  return text.tempSubStringBetween(begin, end);
}

int indentLevel(const UnicodeString& line) {
  int count = 0;
  while (count < line.length() && (line[count] == u' ' || line[count] == u'\t')) ++count;
  return count / 2;
}

// "#" once or more, then one space: the level, or 0 when the line is no heading.
int headingLevel(const UnicodeString& text) {
  int level = 0;
  while (level < text.length() && text[level] == u'#') ++level;
  return level > 0 && level < text.length() && text[level] == u' ' ? level : 0;
}

icu::Locale localeNamed(std::string_view name) {
  return name.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(name).c_str());
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Day and abbreviated month in UTC, made once per locale and thread: making a formatter loads
// the locale's patterns, which costs far more than writing the dates of a whole file.
const icu::DateFormat* dayMonthFormat(const icu::Locale& where) {
  thread_local std::map<std::string, std::unique_ptr<icu::DateFormat>> formats;
  std::unique_ptr<icu::DateFormat>& slot = formats[where.getName()];
  if (!slot) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createInstanceForSkeleton(UnicodeString(u"dMMM"), where, status));
    if (U_FAILURE(status) || !format) return nullptr;
    format->setTimeZone(*icu::TimeZone::getGMT());
    slot = std::move(format);
  }
  return slot.get();
}

// The value as day and abbreviated month, when it is a calendar date "YYYY-MM-DD".
std::optional<std::string> localDate(const UnicodeString& value, std::string_view locale) {
  auto m = matcher(*patterns().isoDate, value);
  if (!matchesWhole(*m)) return std::nullopt;
  const int year = std::stoi(utf8(group(*m, 1)));
  const int month = std::stoi(utf8(group(*m, 2)));
  const int day = std::stoi(utf8(group(*m, 3)));
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return std::nullopt;
  if (day > kDays[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0)) return std::nullopt;

  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale where = localeNamed(locale);
  // The date is a calendar day, not an instant: build and write it in UTC so no time zone
  // moves it to the day before.
  icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), where, status);
  calendar.clear();
  calendar.set(year, month - 1, day, 12, 0, 0);
  const UDate date = calendar.getTime(status);
  const icu::DateFormat* format = U_SUCCESS(status) ? dayMonthFormat(where) : nullptr;
  if (format == nullptr) return std::nullopt;
  UnicodeString written;
  format->format(date, written);
  return utf8(written);
}

std::string fieldText(const UnicodeString& key, const UnicodeString& value,
                      std::string_view locale) {
  if (key == UnicodeString(u"owner")) return utf8(value);
  const int32_t split = key.moveIndex32(0, 1);
  UnicodeString first = key.tempSubString(0, split);
  UnicodeString rest = key.tempSubString(split);
  first.toUpper(icu::Locale::getRoot());
  rest.toLower(icu::Locale::getRoot());
  const std::optional<std::string> date = localDate(value, locale);
  return utf8(first) + utf8(rest) + " " + (date ? *date : utf8(value));
}

Block itemBlock(const UnicodeString& line, icu::RegexMatcher& m, std::string_view locale) {
  Marker marker;
  if (took(m, 2)) {
    marker = Marker::task(group(m, 2) != UnicodeString(u" "));
  } else if (took(m, 1)) {
    marker = Marker::numbered(utf8(group(m, 1)));
  }
  UnicodeString text = group(m, 3);
  struct Found {
    int32_t start, end;
    UnicodeString key, value;
  };
  std::vector<Found> found;
  auto fields = matcher(*patterns().field, text);
  UErrorCode status = U_ZERO_ERROR;
  while (fields->find(status) && U_SUCCESS(status)) {
    found.push_back(
        {fields->start(status), fields->end(status), group(*fields, 1), group(*fields, 2)});
  }
  std::vector<std::string> chips(found.size());
  // From the last to the first, so the earlier matches' positions still hold when cutting.
  for (size_t index = found.size(); index-- > 0;) {
    chips[index] = fieldText(found[index].key, found[index].value, locale);
    text.remove(found[index].start, found[index].end - found[index].start);
  }
  return Block::item(indentLevel(line), marker, utf8(text), std::move(chips));
}

// CRLF line ends, as an editor on another system may leave them, read as line feeds.
std::string withLineFeeds(std::string_view text) {
  if (text.find('\r') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n') continue;
    out += text[index];
  }
  return out;
}

class Reader {
 public:
  explicit Reader(std::string_view locale) : locale_(locale) {}

  void read(const UnicodeString& line) {
    const UnicodeString text = trimmed(line);
    if (text.startsWith(UnicodeString(u"```"))) {
      flush();
      if (code_) {
        blocks_.push_back(Block::code(joinedCode()));
        code_.reset();
      } else {
        code_.emplace();
      }
      return;
    }
    if (code_) {
      code_->push_back(line);
      return;
    }
    if (text.isEmpty()) {
      flush();
      return;
    }
    // Only a line opening with "[" can be a turn; most lines are turns, so the matcher is
    // reset onto each rather than made anew.
    if (inTranscript_ && text.charAt(0) == u'[') {
      icu::RegexMatcher* m = reused(turn_, *patterns().turn, text);
      if (matchesWhole(*m)) {
        flush();
        std::optional<std::string> speaker;
        if (took(*m, 2)) speaker = utf8(group(*m, 2));
        const bool continued = speaker && lastSpeaker_ && *speaker == *lastSpeaker_;
        blocks_.push_back(Block::turn(utf8(group(*m, 1)), speaker, utf8(group(*m, 3)), continued));
        lastSpeaker_ = speaker;
        return;
      }
    }
    if (const int level = headingLevel(text)) {
      flush();
      const UnicodeString title = text.tempSubString(level + 1);
      if (level == 2 && title == UnicodeString(u"Transcript")) {
        blocks_.push_back(Block::transcript());
        inTranscript_ = true;
      } else {
        blocks_.push_back(Block::heading(level, utf8(title)));
        inTranscript_ = false;
      }
      lastSpeaker_.reset();
      return;
    }
    if (text == UnicodeString(u"---") || text == UnicodeString(u"***")) {
      flush();
      blocks_.push_back(Block::rule());
      return;
    }
    icu::RegexMatcher* item = mayBeItem(text) ? reused(item_, *patterns().item, text) : nullptr;
    if (item != nullptr && matchesWhole(*item)) {
      flush();
      blocks_.push_back(itemBlock(line, *item, locale_));
      return;
    }
    if (text.startsWith(UnicodeString(u">"))) {
      flush();
      blocks_.push_back(Block::quote(utf8(trimmedBlanksAndTabs(text.tempSubString(1)))));
      return;
    }
    paragraph_.push_back(text);
  }

  std::vector<Block> finish() {
    flush();
    if (code_) blocks_.push_back(Block::code(joinedCode()));
    code_.reset();
    return std::move(blocks_);
  }

 private:
  void flush() {
    if (paragraph_.empty()) return;
    UnicodeString joined;
    for (size_t index = 0; index < paragraph_.size(); ++index) {
      if (index > 0) joined += u' ';
      joined += paragraph_[index];
    }
    blocks_.push_back(Block::paragraph(utf8(joined)));
    paragraph_.clear();
  }

  std::string joinedCode() const {
    UnicodeString joined;
    for (size_t index = 0; index < code_->size(); ++index) {
      if (index > 0) joined += u'\n';
      joined += (*code_)[index];
    }
    return utf8(joined);
  }

  std::string_view locale_;
  std::vector<Block> blocks_;
  std::vector<UnicodeString> paragraph_;
  std::optional<std::vector<UnicodeString>> code_;
  bool inTranscript_ = false;
  std::optional<std::string> lastSpeaker_;
  std::unique_ptr<icu::RegexMatcher> turn_, item_;
};

}  // namespace

std::vector<Block> parse(std::string_view markdown, std::string_view locale) {
  const std::string body = Frontmatter::body(withLineFeeds(markdown));
  Reader reader(locale);
  size_t begin = 0;
  while (true) {
    const size_t feed = body.find('\n', begin);
    const std::string_view line = std::string_view(body).substr(
        begin, feed == std::string::npos ? std::string::npos : feed - begin);
    // Bytes that are not UTF-8 become U+FFFD: the rest of the line is kept.
    reader.read(
        UnicodeString::fromUTF8(icu::StringPiece(line.data(), static_cast<int32_t>(line.size()))));
    if (feed == std::string::npos) break;
    begin = feed + 1;
  }
  return reader.finish();
}

std::vector<Block> forTitle(std::string_view markdown, std::string_view title,
                            std::string_view locale) {
  std::vector<Block> blocks = parse(markdown, locale);
  std::erase_if(blocks, [title](const Block& block) {
    return block.kind == Block::Kind::heading && block.level == 1 && block.text == title;
  });
  return blocks;
}

std::string fieldText(std::string_view key, std::string_view value, std::string_view locale) {
  const auto text = [](std::string_view bytes) {
    return UnicodeString::fromUTF8(
        icu::StringPiece(bytes.data(), static_cast<int32_t>(bytes.size())));
  };
  return fieldText(text(key), text(value), locale);
}

std::string_view kindName(Block::Kind kind) {
  switch (kind) {
    case Block::Kind::heading:
      return "heading";
    case Block::Kind::item:
      return "item";
    case Block::Kind::quote:
      return "quote";
    case Block::Kind::code:
      return "code";
    case Block::Kind::paragraph:
      return "paragraph";
    case Block::Kind::turn:
      return "turn";
    case Block::Kind::rule:
      return "rule";
    case Block::Kind::transcript:
      return "transcript";
  }
  return "paragraph";
}

}  // namespace MeetingFileBlocks
}  // namespace kelv::core
