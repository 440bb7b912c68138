#include "view_models/inline_markdown.h"

#include <md4c.h>

#include <cctype>

namespace kelv::app::InlineMarkdown {
namespace {

constexpr std::string_view kOpen = "<span style=\"white-space:pre-wrap\">";
constexpr std::string_view kClose = "</span>";

void escapeInto(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

struct Writer {
  std::string out;
  std::string_view linkColor;
};

std::string_view attribute(const MD_ATTRIBUTE& value) {
  return value.text == nullptr ? std::string_view() : std::string_view(value.text, value.size);
}

int enterBlock(MD_BLOCKTYPE, void*, void*) { return 0; }
int leaveBlock(MD_BLOCKTYPE, void*, void*) { return 0; }

int enterSpan(MD_SPANTYPE type, void* detail, void* data) {
  Writer& writer = *static_cast<Writer*>(data);
  switch (type) {
    case MD_SPAN_EM:
      writer.out += "<i>";
      break;
    case MD_SPAN_STRONG:
      writer.out += "<b>";
      break;
    case MD_SPAN_CODE:
      writer.out += "<code>";
      break;
    case MD_SPAN_A:
      writer.out += "<a href=\"";
      escapeInto(writer.out, attribute(static_cast<MD_SPAN_A_DETAIL*>(detail)->href));
      writer.out += "\" style=\"color:";
      escapeInto(writer.out, writer.linkColor);
      writer.out += "\">";
      break;
    default:
      break;  // images show their description text, nothing else is enabled
  }
  return 0;
}

int leaveSpan(MD_SPANTYPE type, void*, void* data) {
  Writer& writer = *static_cast<Writer*>(data);
  switch (type) {
    case MD_SPAN_EM:
      writer.out += "</i>";
      break;
    case MD_SPAN_STRONG:
      writer.out += "</b>";
      break;
    case MD_SPAN_CODE:
      writer.out += "</code>";
      break;
    case MD_SPAN_A:
      writer.out += "</a>";
      break;
    default:
      break;
  }
  return 0;
}

int onText(MD_TEXTTYPE type, const MD_CHAR* chars, MD_SIZE size, void* data) {
  Writer& writer = *static_cast<Writer*>(data);
  const std::string_view piece(chars, size);
  switch (type) {
    case MD_TEXT_NULLCHAR:
      writer.out += "\xEF\xBF\xBD";
      break;
    case MD_TEXT_BR:
    case MD_TEXT_SOFTBR:
      writer.out += ' ';
      break;
    // md4c checked its syntax; Qt's rich text reads the entity itself.
    case MD_TEXT_ENTITY:
      writer.out += piece;
      break;
    default:
      escapeInto(writer.out, piece);
      break;
  }
  return 0;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where a backslash keeps the start of the line from being read as block structure, or npos.
size_t blockEscape(std::string_view line) {
  if (line.empty()) return std::string_view::npos;
  const char first = line[0];
  const bool endsOrBlank = line.size() == 1 || isBlank(line[1]);
  switch (first) {
    case '#':
    case '>':
      return 0;
    case '`':
    case '~':
      return line.substr(0, 3) == std::string(3, first) ? 0 : std::string_view::npos;
    case '[': {
      // A link reference definition would vanish from the text.
      const size_t close = line.find(']');
      return close != std::string_view::npos && close + 1 < line.size() && line[close + 1] == ':'
                 ? 0
                 : std::string_view::npos;
    }
    case '-':
    case '+':
    case '*':
    case '_':
    case '=': {
      if (first != '_' && first != '=' && endsOrBlank) return 0;  // a list item
      size_t marks = 0;
      for (const char c : line) {
        if (c == first) {
          ++marks;
        } else if (!isBlank(c)) {
          return std::string_view::npos;
        }
      }
      return marks >= 3 ? 0 : std::string_view::npos;  // a rule
    }
    default:
      break;
  }
  size_t digits = 0;
  while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) ++digits;
  if (digits > 0 && digits <= 9 && digits < line.size() &&
      (line[digits] == '.' || line[digits] == ')') &&
      (digits + 1 == line.size() || isBlank(line[digits + 1])))
    return digits;  // an ordered list item: "1\. text"
  return std::string_view::npos;
}

}  // namespace

std::string plain(std::string_view text) {
  std::string out(kOpen);
  escapeInto(out, text);
  out += kClose;
  return out;
}

std::string html(std::string_view text, std::string_view linkColor) {
  // One line only: a line break would let the next line start block structure of its own.
  if (text.find_first_of("\r\n") != std::string_view::npos) return plain(text);
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  const std::string_view leading = text.substr(0, start);
  std::string source(text.substr(start));
  if (const size_t at = blockEscape(source); at != std::string_view::npos)
    source.insert(at, 1, '\\');

  Writer writer{std::string(kOpen), linkColor};
  escapeInto(writer.out, leading);  // indentation would otherwise read as a code block
  MD_PARSER parser{};
  parser.abi_version = 0;
  parser.flags = MD_FLAG_NOHTML | MD_FLAG_NOINDENTEDCODEBLOCKS;
  parser.enter_block = enterBlock;
  parser.leave_block = leaveBlock;
  parser.enter_span = enterSpan;
  parser.leave_span = leaveSpan;
  parser.text = onText;
  if (md_parse(source.data(), static_cast<MD_SIZE>(source.size()), &parser, &writer) != 0)
    return plain(text);
  writer.out += kClose;
  return writer.out;
}

}  // namespace kelv::app::InlineMarkdown
