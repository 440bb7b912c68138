#include "kelv/core/export/plain_text_export.h"

#include <algorithm>
#include <cctype>

namespace kelv::core::PlainTextExport {
namespace {

constexpr std::string_view kTranscriptTitle = "Transcripción";

void underlined(std::string& out, std::string_view text, char mark) {
  out += text;
  out += '\n';
  size_t length = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++length;
  out.append(std::max<size_t>(length, 3), mark);
  out += '\n';
}

void block(std::string& out, const Block& block) {
  switch (block.kind) {
    case Block::Kind::heading:
      if (block.level <= 2) {
        underlined(out, withoutMarks(block.text), block.level == 1 ? '=' : '-');
      } else {
        out += withoutMarks(block.text) + "\n";
      }
      break;
    case Block::Kind::item: {
      out.append(static_cast<size_t>(block.level) * 2, ' ');
      switch (block.marker.kind) {
        case Marker::Kind::bullet:
          out += "- ";
          break;
        case Marker::Kind::number:
          out += block.marker.number + " ";
          break;
        case Marker::Kind::task:
          out += block.marker.ticked ? "[x] " : "[ ] ";
          break;
      }
      out += withoutMarks(block.text);
      for (const std::string& field : block.fields) out += " (" + field + ")";
      out += '\n';
      break;
    }
    case Block::Kind::quote:
      out += "> " + withoutMarks(block.text) + "\n";
      break;
    case Block::Kind::code: {
      size_t begin = 0;
      while (begin <= block.text.size()) {
        size_t end = block.text.find('\n', begin);
        if (end == std::string::npos) end = block.text.size();
        out += "    ";
        out.append(block.text, begin, end - begin);
        out += '\n';
        begin = end + 1;
      }
      break;
    }
    case Block::Kind::paragraph:
      out += withoutMarks(block.text) + "\n";
      break;
    case Block::Kind::rule:
      out += "* * *\n";
      break;
    case Block::Kind::turn:
    case Block::Kind::transcript:
      break;
  }
}

// Items of one list stay together; everything else is set apart by an empty line.
bool joinsPrevious(const Block& block, const Block* previous) {
  return previous && block.kind == Block::Kind::item && previous->kind == Block::Kind::item;
}

}  // namespace

std::string withoutMarks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\\' && at + 1 < text.size() &&
        std::ispunct(static_cast<unsigned char>(text[at + 1]))) {
      out += text[++at];
    } else if (c == '`') {
      const size_t close = text.find('`', at + 1);
      if (close == std::string_view::npos) {
        out += c;
      } else {
        out.append(text.substr(at + 1, close - at - 1));
        at = close;
      }
    } else if (c == '*' ||
               (c == '_' && (at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]))))) {
      // Emphasis marks; a lone "*" between blanks is a character of its own.
      const bool lone =
          (at == 0 || text[at - 1] == ' ') && (at + 1 == text.size() || text[at + 1] == ' ');
      if (lone) out += c;
    } else if (c == '_') {
      const bool closing =
          at + 1 == text.size() || !std::isalnum(static_cast<unsigned char>(text[at + 1]));
      if (!closing) out += c;
    } else if (c == '[') {
      const size_t label = text.find("](", at + 1);
      const size_t close = label == std::string_view::npos ? label : text.find(')', label + 2);
      if (close == std::string_view::npos) {
        out += c;
      } else {
        const std::string_view inner = text.substr(at + 1, label - at - 1);
        const std::string_view target = text.substr(label + 2, close - label - 2);
        out += withoutMarks(inner);
        if (target != inner) out += " (" + std::string(target) + ")";
        at = close;
      }
    } else {
      out += c;
    }
  }
  return out;
}

std::string text(const ExportedMeeting& meeting, std::string_view locale) {
  std::string out;
  out.reserve(meeting.transcript.size() * 100 + meeting.notesMarkdown.size() + 256);
  underlined(out, meeting.title, '=');
  const std::string subtitle = meeting.dateAndLength(locale);
  if (!subtitle.empty()) out += subtitle + "\n";
  const Block* previous = nullptr;
  for (const Block& each : meeting.notes) {
    if (!joinsPrevious(each, previous)) out += '\n';
    block(out, each);
    previous = &each;
  }
  if (!meeting.transcript.empty()) {
    out += '\n';
    underlined(out, kTranscriptTitle, '-');
    out += '\n';
    for (const SpokenLine& line : meeting.transcript) {
      out += '[';
      out += line.time;
      out += "] ";
      if (!line.speaker.empty()) {
        out += line.speaker;
        out += ": ";
      }
      out += line.text;
      out += '\n';
    }
  }
  return out;
}

}  // namespace kelv::core::PlainTextExport
