// Unicode-correct text primitives shared by the transcript merge and the Meeting file: trimming,
// case folding for comparison, splitting into words and into user-perceived characters (grapheme
// clusters). Built on ICU. Input is UTF-8; an invalid byte sequence is treated as one
// non-space, non-punctuation character (U+FFFD) rather than rejected. All functions are pure
// and safe from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelv::core::UnicodeText {

// The text without white space and line breaks (Unicode White_Space) at either end.
std::string trimmed(std::string_view text);
bool isBlank(std::string_view text);

// Full, locale-independent lower-casing.
std::string lowercased(std::string_view text);

// Canonical composition (NFC): canonically equivalent texts become byte-equal.
std::string composed(std::string_view text);

// The text lower-cased and composed, split at every code point that is not a letter, mark or
// digit (categories L, M, N), empty pieces removed.
std::vector<std::string> words(std::string_view text);

// The grapheme clusters of the text, in order. Compose first to compare them under canonical
// equivalence.
std::vector<std::string> characters(std::string_view text);

// True when the text is not empty and every code point is punctuation (category P).
bool isPunctuationOnly(std::string_view text);

// True when the last character is one of the sentence enders ".?!。？！".
bool endsWithSentenceEnder(std::string_view text);

// The bytes as valid UTF-8: every invalid sequence (such as a character cut short) becomes
// U+FFFD.
std::string repaired(std::string_view bytes);

// Text from elsewhere (a service, a language model) made safe to write into a document or show
// in a terminal: repaired as UTF-8, without control characters (tab stays), bidirectional
// controls, byte-order marks or non-characters. plainLine turns every line break (CR LF, CR,
// LF, VT, FF, NEL, U+2028, U+2029) into a blank; plainText turns it into a line feed.
std::string plainLine(std::string_view text);
std::string plainText(std::string_view text);

// True for valid UTF-8 (no overlongs, surrogates or code points past U+10FFFF).
bool isValidUtf8(std::string_view text);

}  // namespace kelv::core::UnicodeText
