// The vocabulary half of the notes writer: asks the model for misheard forms of the user's
// terms, keeps only suggestions that can be found in the transcript and sound like the term,
// and rewrites the turns with ICU regular expressions.
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <utility>

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <nlohmann/json.hpp>

#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/util/edit_distance.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core::NotesWriter {
namespace {

constexpr double kAlikeEnough = 0.6;

constexpr std::string_view kInstruction =
    ".\nFind places in the transcript where a Vocabulary term was written wrongly: misspelled, "
    "merged, or heard as other words that sound like it (often ordinary words, e.g. \"cooper "
    "netties\" for \"Kubernetes\"). Reply with only a JSON array like [{\"from\": \"exact wrong "
    "text as it appears\", \"to\": \"Vocabulary term\"}], or [] if there are none. \"from\" is "
    "only the misheard words, never the correct words around them. Never suggest any other "
    "change.";

icu::UnicodeString fromUtf8(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

bool isWordCharacter(UChar32 c) {
  if (c == 0x27 || c == 0x2019) return true;  // apostrophes keep "don't" one word
  return c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// The words of a text as they are written, with their lower-cased forms for matching.
struct Words {
  std::vector<std::string_view> written;
  std::vector<std::string> lower;

  explicit Words(std::string_view text) {
    const auto size = static_cast<int32_t>(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t wordStart = -1;
    for (int32_t at = 0; at < size;) {
      const int32_t here = at;
      UChar32 c;
      U8_NEXT(bytes, at, size, c);
      if (isWordCharacter(c)) {
        if (wordStart < 0) wordStart = here;
      } else if (wordStart >= 0) {
        add(text.substr(wordStart, here - wordStart));
        wordStart = -1;
      }
    }
    if (wordStart >= 0) add(text.substr(wordStart));
  }

 private:
  void add(std::string_view word) {
    written.push_back(word);
    lower.push_back(UnicodeText::lowercased(word));
  }
};

// Lower-cased letters only, "y" read as "i", a letter equal to the one before it dropped.
std::u32string letters(std::string_view text) {
  const std::string lower = UnicodeText::composed(UnicodeText::lowercased(text));
  std::u32string out;
  const auto size = static_cast<int32_t>(lower.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(lower.data());
  for (int32_t at = 0; at < size;) {
    UChar32 c;
    U8_NEXT(bytes, at, size, c);
    if (c < 0 || (U_GET_GC_MASK(c) & U_GC_L_MASK) == 0) continue;
    if (c == U'y') c = U'i';
    if (!out.empty() && out.back() == static_cast<char32_t>(c)) continue;
    out.push_back(static_cast<char32_t>(c));
  }
  return out;
}

std::optional<std::string> misheardIn(std::string_view from, std::string_view term,
                                      const Words& text) {
  if (similarity(from, term) >= kAlikeEnough) return std::string(from);
  const Words fromWords(from);
  const size_t n = fromWords.lower.size();
  const size_t count = text.lower.size();
  if (n == 0 || count < n) return std::nullopt;

  std::optional<std::string> best;
  double bestScore = 0;
  for (size_t p = 0; p + n <= count; ++p) {
    if (!std::equal(fromWords.lower.begin(), fromWords.lower.end(), text.lower.begin() + p)) {
      continue;
    }
    for (size_t s = p > 0 ? p - 1 : 0; s <= p + n - 1; ++s) {
      for (size_t e = std::max(s, p) + 1; e <= std::min(p + n + 1, count); ++e) {
        std::string candidate;
        for (size_t i = s; i < e; ++i) {
          if (i > s) candidate += ' ';
          candidate += text.written[i];
        }
        const double score = similarity(candidate, term);
        if (score >= kAlikeEnough && (!best || score > bestScore)) {
          best = std::move(candidate);
          bestScore = score;
        }
      }
    }
  }
  return best;
}

// The reply's JSON array of {"from", "to"} objects, or nothing when it can't be read.
std::optional<nlohmann::json> suggestions(const std::string& reply) {
  const size_t open = reply.find('[');
  const size_t close = reply.rfind(']');
  if (open == std::string::npos || close == std::string::npos || open >= close) return std::nullopt;
  nlohmann::json array =
      nlohmann::json::parse(reply.begin() + static_cast<std::ptrdiff_t>(open),
                            reply.begin() + static_cast<std::ptrdiff_t>(close) + 1, nullptr, false);
  if (!array.is_array()) return std::nullopt;
  for (const auto& element : array) {
    if (!element.is_object()) return std::nullopt;
    for (const auto& [key, value] : element.items()) {
      if (!value.is_string()) return std::nullopt;
    }
  }
  return array;
}

// The wrong text as a regular-expression literal: every ASCII character other than a letter,
// digit or space is escaped, and nothing else in a pattern is special.
std::string literalPattern(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80 && !std::isalnum(u) && c != ' ') out += '\\';
    out += c;
  }
  return out;
}

// Rewrites every standalone occurrence of one wrong text in the turns.
void applyCorrection(std::vector<Turn>& turns, const std::string& wrong, const std::string& term) {
  const std::string pattern = "(?<![\\p{L}\\p{N}])" + literalPattern(wrong) + "(?![\\p{L}\\p{N}])";
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError;
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(fromUtf8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
  if (U_FAILURE(status) || !compiled) return;
  std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(status));
  if (U_FAILURE(status) || !matcher) return;
  const icu::UnicodeString replacement = fromUtf8(term);

  for (Turn& turn : turns) {
    const icu::UnicodeString input = fromUtf8(turn.text);
    matcher->reset(input);
    icu::UnicodeString output;
    int32_t copied = 0;
    bool changed = false;
    // The term is appended as is, so no character in it can act as a back-reference.
    while (matcher->find(status) && U_SUCCESS(status)) {
      const int32_t start = matcher->start(status);
      const int32_t end = matcher->end(status);
      if (U_FAILURE(status)) break;
      output.append(input, copied, start - copied);
      output.append(replacement);
      copied = end;
      changed = true;
    }
    if (!changed) continue;
    output.append(input, copied, input.length() - copied);
    turn.text.clear();
    output.toUTF8String(turn.text);
  }
}

}  // namespace

double similarity(std::string_view a, std::string_view b) {
  const std::u32string x = letters(a);
  const std::u32string y = letters(b);
  const size_t longest = std::max({x.size(), y.size(), size_t{1}});
  return 1.0 - static_cast<double>(EditDistance::between(x, y)) / static_cast<double>(longest);
}

std::optional<std::string> misheard(std::string_view from, std::string_view term,
                                    std::string_view text) {
  return misheardIn(from, term, Words(text));
}

std::vector<Turn> correctVocabulary(const std::vector<Turn>& turns,
                                    const std::vector<std::string>& vocabulary,
                                    const NotesBackend& backend) {
  if (vocabulary.empty() || turns.empty()) return turns;

  std::string system =
      "You fix speech-recognition mistakes in names and terms. The Vocabulary is: ";
  for (size_t i = 0; i < vocabulary.size(); ++i) {
    if (i > 0) system += ", ";
    system += vocabulary[i];
  }
  system += kInstruction;

  const std::vector<std::string> parts =
      chunks(plainText(turns), maxChars(system, backend.contextTokens()));
  std::vector<std::string> lowerTerms;
  for (const std::string& term : vocabulary) lowerTerms.push_back(UnicodeText::lowercased(term));

  std::map<std::string, std::string> corrections;  // wrong text → term
  for (const std::string& part : parts) {
    const std::optional<nlohmann::json> array = suggestions(backend.complete(system, part));
    if (!array) continue;
    std::optional<Words> partWords;  // split once per part, only when needed
    for (const auto& object : *array) {
      const auto from = object.find("from");
      if (from == object.end()) continue;
      std::string_view wrong = from->get_ref<const std::string&>();
      const size_t begin = wrong.find_first_not_of(" \t");
      if (begin == std::string_view::npos) continue;
      wrong = wrong.substr(begin, wrong.find_last_not_of(" \t") - begin + 1);

      const auto to = object.find("to");
      const std::string lowerTo =
          UnicodeText::lowercased(to == object.end() ? "" : to->get_ref<const std::string&>());
      const auto match = std::find(lowerTerms.begin(), lowerTerms.end(), lowerTo);
      if (match == lowerTerms.end()) continue;
      const std::string& term = vocabulary[static_cast<size_t>(match - lowerTerms.begin())];
      // A blank term would turn a correction into a deletion.
      if (UnicodeText::isBlank(term)) continue;

      if (!partWords) partWords.emplace(part);
      const std::optional<std::string> found = misheardIn(wrong, term, *partWords);
      if (found && *found != term) corrections[*found] = term;
    }
  }
  if (corrections.empty()) return turns;

  std::vector<std::pair<std::string, std::string>> ordered(corrections.begin(), corrections.end());
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    return UnicodeText::characters(a.first).size() > UnicodeText::characters(b.first).size();
  });
  std::vector<Turn> corrected = turns;
  for (const auto& [wrong, term] : ordered) applyCorrection(corrected, wrong, term);
  return corrected;
}

}  // namespace kelv::core::NotesWriter
