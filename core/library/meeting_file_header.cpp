#include "kelv/core/library/meeting_file_header.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "kelv/core/library/frontmatter.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

constexpr std::string_view kSchemaPrefix = "kelvora/";

// Whether the name starts with digits in the pattern dddd-dd-dd-dddd (any decimal digits).
bool startsWithDateStamp(std::string_view name) {
  constexpr std::string_view kPattern = "0000-00-00-0000";
  int32_t at = 0;
  const auto size = static_cast<int32_t>(name.size());
  for (char expected : kPattern) {
    if (at >= size) return false;
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(name.data()), at, size, c);
    if (expected == '-' ? c != '-' : (c < 0 || u_charType(c) != U_DECIMAL_DIGIT_NUMBER))
      return false;
  }
  return true;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string unquotedTitle(std::string value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return value;
  value = value.substr(1, value.size() - 2);
  replaceAll(value, "\\\"", "\"");
  replaceAll(value, "\\\\", "\\");
  return value;
}

// An optional sign and ASCII digits only; anything else, or a value out of range, is absent.
std::optional<long long> decimalInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  unsigned long long magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (magnitude > kMax + (negative ? 1 : 0)) return std::nullopt;
  if (negative)
    return magnitude == kMax + 1 ? std::numeric_limits<long long>::min()
                                 : -static_cast<long long>(magnitude);
  return static_cast<long long>(magnitude);
}

}  // namespace

std::optional<MeetingFileHeader> MeetingFileHeader::parse(std::string_view leadingBytes,
                                                          std::string_view fileName) {
  const std::string text = UnicodeText::repaired(leadingBytes.substr(0, kMaxBytes));
  const auto fields = Frontmatter::fields(Frontmatter::lines(text));
  if (!fields) {
    if (startsWithDateStamp(fileName)) return MeetingFileHeader{};
    return std::nullopt;
  }
  const auto schema = fields->find("schema");
  if (fields->empty() || schema == fields->end() || !schema->second.starts_with(kSchemaPrefix)) {
    return std::nullopt;
  }
  MeetingFileHeader header;
  if (auto title = fields->find("title"); title != fields->end())
    header.title = unquotedTitle(title->second);
  if (auto date = fields->find("date"); date != fields->end())
    header.date = LibraryJson::parseDate(date->second);
  if (auto duration = fields->find("duration"); duration != fields->end()) {
    header.minutes = decimalInteger(duration->second);
  }
  return header;
}

std::optional<MeetingFileHeader> MeetingFileHeader::read(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  std::string bytes(kMaxBytes, '\0');
  stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  // A read error counts as no bytes.
  const std::streamsize count = stream.bad() ? 0 : stream.gcount();
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(count, 0)));
  return parse(bytes, file.filename().string());
}

bool MeetingFileHeader::isMeetingFile(const std::filesystem::path& file) {
  struct stat info {};
  if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return file.extension() == ".md" && read(file).has_value();
}

}  // namespace kelv::core
