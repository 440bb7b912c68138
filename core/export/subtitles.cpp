#include "kelv/core/export/subtitles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelv::core::Subtitles {
namespace {

// Code points: the cue's layout is a reader's rough count, and this stays linear on the
// long transcripts of a whole term.
size_t lengthOf(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The first `count` code points of the text, in bytes.
size_t bytesOf(std::string_view text, size_t count) {
  size_t at = 0;
  for (size_t seen = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) {
      if (seen == count) break;
      ++seen;
    }
  }
  return at;
}

std::vector<std::string_view> wordsOf(std::string_view text) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t begin = text.find_first_not_of(" \t", at);
    if (begin == std::string_view::npos) break;
    size_t end = text.find_first_of(" \t", begin);
    if (end == std::string_view::npos) end = text.size();
    words.push_back(text.substr(begin, end - begin));
    at = end;
  }
  return words;
}

struct Piece {
  std::vector<std::string> lines;
  size_t length = 0;  // characters of text, for the share of the turn's time
};

// The text in lines of at most kLineLength, the first line of every cue shortened by the
// speaker's prefix; a word longer than a line is cut.
std::vector<Piece> pieces(std::string_view text, size_t prefix) {
  std::vector<Piece> out;
  std::string line;
  size_t lineLength = 0;
  auto room = [&] {
    const bool firstOfCue = out.empty() || out.back().lines.size() == kLinesPerCue;
    return kLineLength - std::min(kLineLength - 1, firstOfCue ? prefix : 0);
  };
  auto close = [&] {
    if (out.empty() || out.back().lines.size() == kLinesPerCue) out.emplace_back();
    out.back().length += lineLength;
    out.back().lines.push_back(std::move(line));
    line.clear();
    lineLength = 0;
  };
  for (std::string_view word : wordsOf(text)) {
    size_t length = lengthOf(word);
    if (lineLength > 0 && lineLength + 1 + length > room()) close();
    while (length > room() && lineLength == 0) {
      const size_t cut = bytesOf(word, room());
      line.assign(word.substr(0, cut));
      lineLength = room();
      word.remove_prefix(cut);
      length = lengthOf(word);
      close();
    }
    if (word.empty()) continue;
    if (lineLength > 0) {
      line += ' ';
      ++lineLength;
    }
    line += word;
    lineLength += length;
  }
  if (lineLength > 0 || out.empty()) close();
  return out;
}

long long millis(double seconds) {
  return std::isfinite(seconds) && seconds > 0 ? std::llround(seconds * 1000) : 0;
}

std::string clock(long long millis, char separator) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%03lld", millis / 3'600'000,
                millis / 60'000 % 60, millis / 1000 % 60, separator, millis % 1000);
  return text;
}

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
      default:
        out += c;
    }
  }
}

}  // namespace

std::vector<Cue> cues(const ExportedMeeting& meeting) {
  std::vector<Cue> out;
  const auto& lines = meeting.transcript;
  long long previousEnd = 0;
  for (size_t index = 0; index < lines.size(); ++index) {
    const SpokenLine& turn = lines[index];
    if (turn.text.empty()) continue;
    const long long start = millis(turn.start);
    const long long end = std::max(start, index + 1 < lines.size() ? millis(lines[index + 1].start)
                                                                   : millis(meeting.duration));
    const size_t prefix = turn.speaker.empty() ? 0 : lengthOf(turn.speaker) + 2;
    std::vector<Piece> parts = pieces(turn.text, prefix);
    size_t total = 0;
    for (const Piece& piece : parts) total += piece.length;
    size_t before = 0;
    for (Piece& piece : parts) {
      const double from = total ? static_cast<double>(before) / total : 0;
      before += piece.length;
      const double to = total ? static_cast<double>(before) / total : 1;
      Cue cue;
      cue.start = std::max(start + std::llround((end - start) * from), previousEnd);
      cue.end = std::max(start + std::llround((end - start) * to), cue.start + kShortestCue);
      cue.speaker = turn.speaker;
      cue.lines = std::move(piece.lines);
      previousEnd = cue.end;
      out.push_back(std::move(cue));
    }
  }
  return out;
}

std::string srt(const std::vector<Cue>& cues) {
  std::string out;
  out.reserve(cues.size() * 120);
  for (size_t index = 0; index < cues.size(); ++index) {
    const Cue& cue = cues[index];
    out += std::to_string(index + 1);
    out += '\n';
    out += clock(cue.start, ',') + " --> " + clock(cue.end, ',') + "\n";
    for (size_t line = 0; line < cue.lines.size(); ++line) {
      if (line == 0 && !cue.speaker.empty()) out += cue.speaker + ": ";
      out += cue.lines[line];
      out += '\n';
    }
    out += '\n';
  }
  return out;
}

std::string webVtt(const std::vector<Cue>& cues) {
  std::string out = "WEBVTT\n\n";
  out.reserve(cues.size() * 120);
  for (const Cue& cue : cues) {
    out += clock(cue.start, '.') + " --> " + clock(cue.end, '.') + "\n";
    if (!cue.speaker.empty()) {
      out += "<v ";
      escapeInto(out, cue.speaker);
      out += '>';
    }
    for (size_t line = 0; line < cue.lines.size(); ++line) {
      if (line > 0) out += '\n';
      escapeInto(out, cue.lines[line]);
    }
    out += "\n\n";
  }
  return out;
}

}  // namespace kelv::core::Subtitles
