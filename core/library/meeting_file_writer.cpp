#include "kelv/core/library/meeting_file_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <system_error>

#include <openssl/evp.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "kelv/core/util/date_text.h"
#include "kelv/core/util/duration_text.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::MeetingFileWriter {
namespace {

constexpr size_t kMaxSlugLength = 60;
constexpr std::string_view kEmptySlug = "meeting";

// YAML reads a raw line break inside a quoted scalar as folding and rejects other control
// characters, so those become blanks; backslash and quote are escaped.
}  // namespace

std::string yamlQuoted(std::string_view raw) {
  const std::string text = UnicodeText::repaired(raw);
  std::string out = "\"";
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    const int32_t here = at;
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, size, c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if ((c != '\t' && u_charType(c) == U_CONTROL_CHAR) || c == 0x2028 || c == 0x2029 ||
               c == 0xFFFE || c == 0xFFFF) {
      out += ' ';
    } else {
      out.append(text, here, at - here);
    }
  }
  return out + "\"";
}

namespace {

// Characters a YAML reader accepts unescaped and that don't end a line: tab is left out too,
// since readers treat it differently around plain values.
bool isPlainCharacter(UChar32 c) {
  if (c < 0) return false;
  if (c < 0x80) return c >= 0x20 && c < 0x7F;
  if (c == 0x85 || c == 0x2028 || c == 0x2029 || c == 0xFEFF) return false;  // line breaks, BOM
  return (c >= 0xA0 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// A text a YAML 1.1 reader would take for a number, a date, a boolean, null or a merge key:
// any text that starts like a number, and the reserved words in any case.
bool mayReadAsAnotherType(std::string_view text) {
  const char first = text.front();
  if ((first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.') {
    // Numbers in every base, with signs, exponents, underscores, sexagesimal colons and the
    // special floats; dates and times (which may hold blanks and "T"/"Z").
    static constexpr std::string_view kNumeric = "0123456789abcdefABCDEFxXoO_+-.:eE";
    if (text.find_first_not_of(kNumeric) == std::string_view::npos) return true;
    const std::string lower = UnicodeText::lowercased(text);
    if (lower == ".inf" || lower == "-.inf" || lower == "+.inf" || lower == ".nan") return true;
    const bool dateLike =
        text.size() >= 5 &&
        text.substr(0, 4).find_first_not_of("0123456789") == std::string_view::npos &&
        text[4] == '-';
    if (dateLike) return true;
  }
  static constexpr std::string_view kReserved[] = {"y",  "n",   "yes",  "no", "true", "false",
                                                   "on", "off", "null", "~",  "<<",   "="};
  const std::string lower = UnicodeText::lowercased(text);
  for (std::string_view word : kReserved)
    if (lower == word) return true;
  return false;
}

// A value YAML reads back as the same text when written plain: no blank at either end, no
// indicator at the start, no ": " or " #" inside, nothing YAML would read as another type,
// and only printable characters. Everything else is quoted.
bool isPlainSafe(std::string_view text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
  if (std::string_view("-?:,[]{}#&*!|>'\"%@`").find(text.front()) != std::string_view::npos)
    return false;
  if (text.back() == ':' || text.find(": ") != std::string_view::npos ||
      text.find(" #") != std::string_view::npos)
    return false;
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, size, c);
    if (!isPlainCharacter(c)) return false;
  }
  return !mayReadAsAnotherType(text);
}

std::string yamlValue(std::string_view text) {
  return isPlainSafe(text) ? std::string(text) : yamlQuoted(text);
}

long long wholeMinutes(double seconds) {
  const double minutes = std::round(seconds / 60);
  if (!(minutes >= 1)) return 1;  // also NaN
  return minutes > 9e15 ? 9'000'000'000'000'000LL : static_cast<long long>(minutes);
}

std::string timestamp(double start) { return "[" + DurationText::clock(start) + "]"; }

std::vector<std::string> participants(const Content& content) {
  std::vector<std::string> names;
  for (const Turn& turn : content.turns) {
    if (!turn.speaker) continue;
    std::string name = UnicodeText::plainLine(*turn.speaker);
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(std::move(name));
  }
  if (names.empty()) names.push_back(content.defaultSpeaker);
  return names;
}

bool endsWithHyphenDigits(std::string_view base, size_t& hyphen) {
  size_t at = base.size();
  while (at > 0 && base[at - 1] >= '0' && base[at - 1] <= '9') --at;
  if (at == base.size() || at == 0 || base[at - 1] != '-') return false;
  hyphen = at - 1;
  return true;
}

bool isTaken(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(path, error);
  // An unreadable folder can't be probed; the write itself will report that.
  if (error) return false;
  return std::filesystem::exists(status);
}

// The medium date and short time of the default locale in the host's time zone. Making one
// costs a hundred times more than using it (a list of two thousand untitled meetings spent
// most of its read making them), so each thread keeps its own for the locale and TZ in force.
const icu::DateFormat* untitledFormat() {
  struct Cached {
    std::string locale;
    std::string zone;
    std::unique_ptr<icu::DateFormat> format;
  };
  thread_local Cached cached;
  const std::string locale = icu::Locale::getDefault().getName();
  const char* zone = std::getenv("TZ");
  if (!cached.format || cached.locale != locale || cached.zone != (zone ? zone : "")) {
    cached.format.reset(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort));
    if (cached.format) cached.format->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
    cached.locale = locale;
    cached.zone = zone ? zone : "";
  }
  return cached.format.get();
}

}  // namespace

std::string displayTitle(const std::optional<std::string>& title, Date startedAt) {
  if (title) return *title;
  const icu::DateFormat* format = untitledFormat();
  if (!format) return DateText::localISO(startedAt);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(startedAt.time_since_epoch());
  icu::UnicodeString text;
  format->format(static_cast<UDate>(millis.count()), text);
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::string markdown(const Content& content) {
  // Titles, notes and turns come from services and language models: no control character
  // may forge a line of the file or reach a terminal that shows it.
  const std::string title = UnicodeText::plainLine(displayTitle(content.title, content.startedAt));
  std::string out = "---\n";
  out += "schema: ";
  out += kSchema;
  out += "\ntitle: " + yamlQuoted(title) + "\n";
  out += "date: " + DateText::localISO(content.startedAt) + "\n";
  out += "duration: " + std::to_string(wholeMinutes(content.duration)) + "\n";
  out += "participants:\n";
  for (const std::string& name : participants(content)) out += "  - " + yamlValue(name) + "\n";
  if (content.language)
    out += "language: " + yamlValue(UnicodeText::plainLine(*content.language)) + "\n";
  if (content.engine) out += "engine: " + yamlValue(UnicodeText::plainLine(*content.engine)) + "\n";
  if (content.interrupted) out += "interrupted: true\n";
  out += "x_kelvora_meeting: " + yamlQuoted(content.meetingID) + "\n";
  out += "---\n\n# " + title + "\n\n";
  const std::string notes =
      content.notes ? UnicodeText::trimmed(UnicodeText::plainText(*content.notes)) : std::string();
  if (!notes.empty()) out += notes + "\n\n";
  out += "## Transcript\n\n";
  for (const Turn& turn : content.turns) {
    out += timestamp(turn.start);
    if (turn.speaker) out += " **" + UnicodeText::plainLine(*turn.speaker) + ":**";
    out += " " + UnicodeText::plainLine(turn.text) + "\n\n";
  }
  return out;
}

std::string hash(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is unavailable.");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0xF];
  }
  return out;
}

std::string slug(std::string_view text) {
  const std::string lower = UnicodeText::lowercased(text);
  std::string mapped;
  for (unsigned char c : lower) {
    if (c >= 0x80) continue;  // every byte of a non-ASCII scalar
    const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    mapped += alphanumeric ? static_cast<char>(c) : '-';
  }
  std::string out;
  size_t begin = 0;
  while (begin <= mapped.size()) {
    size_t end = mapped.find('-', begin);
    if (end == std::string::npos) end = mapped.size();
    const size_t length = end - begin;
    if (length > 0 && out.size() + length + 1 <= kMaxSlugLength) {
      if (!out.empty()) out += '-';
      out.append(mapped, begin, length);
    }
    begin = end + 1;
  }
  return out.empty() ? std::string(kEmptySlug) : out;
}

std::string baseName(const std::optional<std::string>& title, Date startedAt) {
  return DateText::formatted(startedAt, "%Y-%m-%d-%H%M-", DateText::Zone::local) +
         slug(title.value_or(""));
}

std::filesystem::path freePath(std::string_view base, const std::filesystem::path& folder) {
  std::filesystem::path candidate = folder / (std::string(base) + ".md");
  for (unsigned long long number = 2; isTaken(candidate); ++number) {
    candidate = folder / (std::string(base) + "-" + std::to_string(number) + ".md");
  }
  return candidate;
}

std::filesystem::path siblingPath(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  std::string base = file.stem().string();
  size_t hyphen = 0;
  if (endsWithHyphenDigits(base, hyphen) && isTaken(folder / (base.substr(0, hyphen) + ".md"))) {
    base.resize(hyphen);
  }
  return freePath(base, folder);
}

}  // namespace kelv::core::MeetingFileWriter
