#include "kelv/core/util/unicode_text.h"

#include <memory>
#include <stdexcept>

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace kelv::core::UnicodeText {
namespace {

// Reads the code point at `at` and advances; an invalid sequence yields a negative value.
UChar32 next(std::string_view text, int32_t& at) {
  UChar32 c;
  U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, static_cast<int32_t>(text.size()), c);
  return c;
}

UChar32 previous(std::string_view text, int32_t& at) {
  UChar32 c;
  U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, at, c);
  return c;
}

bool isSpace(UChar32 c) { return c >= 0 && u_isUWhiteSpace(c); }

bool isAlphanumeric(UChar32 c) {
  return c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

bool isAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

icu::UnicodeString fromUtf8(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

const icu::Normalizer2& nfc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* instance = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) throw std::runtime_error("Unicode normalisation data is unavailable.");
  return *instance;
}

// Creating a break iterator loads rules; one per thread is reused.
icu::BreakIterator& characterBreaks() {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !made) {
      throw std::runtime_error("Unicode character break rules are unavailable.");
    }
    return made;
  }();
  return *iterator;
}

}  // namespace

std::string trimmed(std::string_view text) {
  int32_t begin = 0;
  const auto size = static_cast<int32_t>(text.size());
  while (begin < size) {
    int32_t at = begin;
    if (!isSpace(next(text, at))) break;
    begin = at;
  }
  int32_t end = size;
  while (end > begin) {
    int32_t at = end;
    if (!isSpace(previous(text, at))) break;
    end = at;
  }
  return std::string(text.substr(begin, end - begin));
}

bool isBlank(std::string_view text) {
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    if (!isSpace(next(text, at))) return false;
  }
  return true;
}

std::string lowercased(std::string_view text) {
  if (isAscii(text)) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  icu::UnicodeString wide = fromUtf8(text);
  wide.toLower(icu::Locale::getRoot());
  return toUtf8(wide);
}

std::string composed(std::string_view text) {
  if (isAscii(text)) return std::string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString wide = fromUtf8(text);
  if (nfc().isNormalized(wide, status) && U_SUCCESS(status)) return toUtf8(wide);
  status = U_ZERO_ERROR;
  icu::UnicodeString out = nfc().normalize(wide, status);
  if (U_FAILURE(status)) return toUtf8(wide);
  return toUtf8(out);
}

std::vector<std::string> words(std::string_view text) {
  const std::string folded = composed(lowercased(text));
  const std::string_view view(folded);
  std::vector<std::string> out;
  const auto size = static_cast<int32_t>(view.size());
  int32_t wordStart = 0;
  for (int32_t at = 0; at < size;) {
    const int32_t here = at;
    if (!isAlphanumeric(next(view, at))) {
      if (here > wordStart) out.emplace_back(view.substr(wordStart, here - wordStart));
      wordStart = at;
    }
  }
  if (size > wordStart) out.emplace_back(view.substr(wordStart));
  return out;
}

std::vector<std::string> characters(std::string_view text) {
  std::vector<std::string> out;
  if (isAscii(text)) {
    // Only CR LF forms a multi-byte cluster in ASCII.
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        out.emplace_back("\r\n");
        ++i;
      } else {
        out.emplace_back(1, text[i]);
      }
    }
    return out;
  }
  const icu::UnicodeString wide = fromUtf8(text);
  icu::BreakIterator& breaks = characterBreaks();
  breaks.setText(wide);
  int32_t start = breaks.first();
  for (int32_t end = breaks.next(); end != icu::BreakIterator::DONE;
       start = end, end = breaks.next()) {
    out.push_back(toUtf8(wide.tempSubStringBetween(start, end)));
  }
  return out;
}

bool isPunctuationOnly(std::string_view text) {
  if (text.empty()) return false;
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    const UChar32 c = next(text, at);
    if (c < 0 || (U_GET_GC_MASK(c) & U_GC_P_MASK) == 0) return false;
  }
  return true;
}

bool endsWithSentenceEnder(std::string_view text) {
  if (text.empty()) return false;
  // A combining mark after an ender would make it part of a different character, and then the
  // last code point is the mark, so looking at the last code point is enough.
  int32_t at = static_cast<int32_t>(text.size());
  switch (previous(text, at)) {
    case 0x002E:
    case 0x003F:
    case 0x0021:
    case 0x3002:
    case 0xFF1F:
    case 0xFF01:
      return true;
    default:
      return false;
  }
}

std::string repaired(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto size = static_cast<int32_t>(bytes.size());
  for (int32_t at = 0; at < size;) {
    const int32_t here = at;
    if (next(bytes, at) < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(bytes.substr(here, at - here));
    }
  }
  return out;
}

bool isValidUtf8(std::string_view text) {
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    if (next(text, at) < 0) return false;
  }
  return true;
}

}  // namespace kelv::core::UnicodeText

namespace kelv::core::UnicodeText {
namespace {

bool isLineBreak(UChar32 c) {
  return c == '\n' || c == '\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

// Characters that change how a terminal or an editor shows the text around them without
// being seen: the bidirectional embeddings, overrides, isolates and marks, the byte-order
// mark, and the two non-characters.
bool isInvisibleControl(UChar32 c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF;
}

std::string withoutControls(std::string_view bytes, std::string_view lineBreak) {
  const std::string text = repaired(bytes);
  std::string out;
  out.reserve(text.size());
  const auto size = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < size;) {
    const int32_t here = at;
    const UChar32 c = next(text, at);
    if (isLineBreak(c)) {
      // CR LF is one break.
      if (c == '\r' && at < size && text[at] == '\n') ++at;
      out += lineBreak;
    } else if (c == '\t' || (u_charType(c) != U_CONTROL_CHAR && !isInvisibleControl(c))) {
      out.append(text, here, at - here);
    }
  }
  return out;
}

}  // namespace

std::string plainLine(std::string_view text) { return withoutControls(text, " "); }

std::string plainText(std::string_view text) { return withoutControls(text, "\n"); }

}  // namespace kelv::core::UnicodeText
