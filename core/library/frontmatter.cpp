#include "kelv/core/library/frontmatter.h"

#include <tuple>

#include "kelv/core/util/ascii_text.h"

namespace kelv::core::Frontmatter {
namespace {

constexpr std::string_view kFence = "---";

}  // namespace

std::vector<std::string> lines(std::string_view text) {
  std::vector<std::string> out;
  size_t begin = 0;
  while (true) {
    const size_t feed = text.find('\n', begin);
    if (feed == std::string_view::npos) {
      out.emplace_back(text.substr(begin));
      return out;
    }
    out.emplace_back(text.substr(begin, feed - begin));
    begin = feed + 1;
  }
}

std::optional<std::pair<size_t, size_t>> fieldLines(const std::vector<std::string>& lines) {
  if (lines.size() < 2 || lines[0] != kFence) return std::nullopt;
  for (size_t k = 1; k < lines.size(); ++k) {
    if (lines[k] == kFence) return std::make_pair(size_t{1}, k);
  }
  return std::nullopt;
}

std::optional<std::map<std::string, std::string>> fields(const std::vector<std::string>& lines) {
  const auto range = fieldLines(lines);
  if (!range) return std::nullopt;
  std::map<std::string, std::string> out;
  for (size_t i = range->first; i < range->second; ++i) {
    const std::string& line = lines[i];
    if (line.starts_with(' ')) continue;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string_view value = std::string_view(line).substr(colon + 1);
    out[line.substr(0, colon)] = std::string(AsciiText::trimmed(value, " \t"));
  }
  return out;
}

std::string body(std::string_view text) {
  // Walks the lines up to the closing fence only: a Meeting file is mostly its body.
  const auto lineAt = [text](size_t begin) {
    const size_t feed = text.find('\n', begin);
    return std::pair(text.substr(begin, feed == std::string_view::npos ? feed : feed - begin),
                     feed);
  };
  auto [line, feed] = lineAt(0);
  if (line != kFence) return std::string(text);
  while (feed != std::string_view::npos) {
    std::tie(line, feed) = lineAt(feed + 1);
    if (line == kFence)
      return feed == std::string_view::npos ? std::string() : std::string(text.substr(feed + 1));
  }
  return std::string(text);
}

}  // namespace kelv::core::Frontmatter
