#include "kelv/core/transcript/word.h"

#include <algorithm>

#include "kelv/core/util/unicode_text.h"

namespace kelv::core {

std::vector<TimedSegment> Word::sentences(const std::vector<Word>& words) {
  // Longest pause inside one sentence, in seconds.
  constexpr double kMaxPause = 1.0;
  std::vector<TimedSegment> segments;
  bool open = false;
  for (const Word& word : words) {
    std::string text = UnicodeText::trimmed(word.text);
    if (text.empty()) continue;
    bool appended = false;
    if (open && !segments.empty()) {
      TimedSegment& last = segments.back();
      if (UnicodeText::isPunctuationOnly(text)) {
        last.text += text;
        last.end = std::max(last.end, word.end);
        appended = true;
      } else if (last.speaker == word.speaker && word.start - last.end <= kMaxPause) {
        last.text += ' ';
        last.text += text;
        last.end = std::max(last.end, word.end);
        appended = true;
      }
    }
    const bool ends = UnicodeText::endsWithSentenceEnder(text);
    if (!appended)
      segments.push_back(TimedSegment{word.start, word.end, std::move(text), word.speaker});
    open = !ends;
  }
  return segments;
}

}  // namespace kelv::core
