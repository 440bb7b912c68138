// One recognised word with its times, as word-level transcription backends return it. Held in
// memory only; Word::sentences groups a backend's words into the TimedSegments every other
// stage works with. Plain value type; the functions are pure and safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kelv/core/transcript/timed_segment.h"

namespace kelv::core {

struct Word {
  // As recognised: may carry attached punctuation or surrounding white space.
  std::string text;
  double start = 0;  // seconds from the track's start
  double end = 0;
  // The backend's speaker label; absent when the backend doesn't separate speakers.
  std::optional<std::string> speaker;

  bool operator==(const Word&) const = default;

  // Groups words (in time order) into sentence segments. A sentence ends at one of
  // ".?!。？！", at a change of speaker, or at a pause of more than one second. A
  // punctuation-only word sticks to the open segment without a space; blank words are skipped.
  static std::vector<TimedSegment> sentences(const std::vector<Word>& words);
};

}  // namespace kelv::core
