#include "kelv/core/transcript_merge.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "kelv/core/unicode_text.h"

namespace kelv::core::TranscriptMerge {
namespace {

// Echo detection looks this far (seconds) beyond a microphone segment's time range.
constexpr double kNeighbourhood = 1.5;
// Segments of one speaker closer than this (seconds) join into one turn.
constexpr double kJoinGap = 2.0;

// A word as a sequence of character ids: a character that is one code point is that code point;
// a longer cluster gets an id past the code point range. Equal ids mean canonically equivalent
// characters because every text is composed before it is split.
using Characters = std::vector<uint32_t>;

class CharacterTable {
 public:
  Characters characters(std::string_view composedText) {
    Characters out;
    if (std::all_of(composedText.begin(), composedText.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      out.assign(composedText.begin(), composedText.end());
      return out;
    }
    for (const std::string& cluster : UnicodeText::characters(composedText)) {
      out.push_back(idOf(cluster));
    }
    return out;
  }

 private:
  uint32_t idOf(const std::string& cluster) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(cluster.data());
    const uint8_t lead = bytes[0];
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == cluster.size()) {
      uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
      for (size_t i = 1; i < length; ++i) c = (c << 6) | (bytes[i] & 0x3F);
      return c;
    }
    auto [it, added] = clusters_.try_emplace(cluster, 0x110000 + static_cast<uint32_t>(clusters_.size()));
    return it->second;
  }

  std::unordered_map<std::string, uint32_t> clusters_;
};

// Levenshtein distance over one row of the table, as long as `b` plus one. With a limit, gives
// up (returning limit + 1) as soon as the distance must exceed it.
size_t distance(const Characters& a, const Characters& b,
                size_t limit = std::numeric_limits<size_t>::max()) {
  const size_t lengthGap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (lengthGap > limit) return limit + 1;
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    size_t rowMinimum = row[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
      rowMinimum = std::min(rowMinimum, row[j]);
    }
    if (rowMinimum > limit) return limit + 1;
  }
  return row[b.size()];
}

struct Labelled {
  const TimedSegment* segment;
  std::optional<std::string> label;
};

void sortByStart(std::vector<Labelled>& segments) {
  std::stable_sort(segments.begin(), segments.end(), [](const Labelled& x, const Labelled& y) {
    return x.segment->start < y.segment->start;
  });
}

std::vector<Turn> join(const std::vector<Labelled>& segments) {
  std::vector<Turn> turns;
  double lastEnd = -std::numeric_limits<double>::infinity();
  for (const Labelled& item : segments) {
    std::string text = UnicodeText::trimmed(item.segment->text);
    if (text.empty()) continue;
    const double start = item.segment->start;
    if (!turns.empty() && turns.back().speaker == item.label && start - lastEnd <= kJoinGap) {
      turns.back().text += ' ';
      turns.back().text += text;
    } else {
      turns.push_back(Turn{start, item.label, std::move(text)});
    }
    lastEnd = std::max(start, item.segment->end);
  }
  return turns;
}

// Words of the system track and their characters, computed once per merge.
class Vocabulary {
 public:
  const Characters& charactersOf(const std::string& word) {
    auto it = characters_.find(word);
    if (it == characters_.end()) it = characters_.emplace(word, table_.characters(word)).first;
    return it->second;
  }

 private:
  CharacterTable table_;
  std::unordered_map<std::string, Characters> characters_;
};

bool isEcho(const std::vector<std::string>& words, const TimedSegment& segment,
            const std::vector<TimedSegment>& system,
            const std::vector<std::vector<std::string>>& systemWords, Vocabulary& vocabulary) {
  std::unordered_set<std::string_view> nearby;
  std::vector<const std::string*> nearbyInOrder;
  for (size_t i = 0; i < system.size(); ++i) {
    if (system[i].start <= segment.end + kNeighbourhood &&
        system[i].end >= segment.start - kNeighbourhood) {
      for (const std::string& word : systemWords[i]) {
        if (nearby.insert(word).second) nearbyInOrder.push_back(&word);
      }
    }
  }
  size_t matches = 0;
  for (const std::string& word : words) {
    if (nearby.contains(word)) {
      ++matches;
      continue;
    }
    const Characters& characters = vocabulary.charactersOf(word);
    if (characters.size() < 3) continue;
    const size_t allowance = characters.size() == 3 ? 1 : characters.size() / 4;
    for (const std::string* candidate : nearbyInOrder) {
      if (distance(characters, vocabulary.charactersOf(*candidate), allowance) <= allowance) {
        ++matches;
        break;
      }
    }
  }
  // matches ÷ words ≥ 0.6, without rounding.
  return matches * 5 >= words.size() * 3;
}

}  // namespace

std::vector<Turn> merge(const std::vector<TimedSegment>& mic, const std::vector<TimedSegment>& system) {
  std::vector<std::vector<std::string>> systemWords;
  systemWords.reserve(system.size());
  for (const TimedSegment& segment : system) systemWords.push_back(UnicodeText::words(segment.text));

  Vocabulary vocabulary;
  std::vector<Labelled> labelled;
  labelled.reserve(mic.size() + system.size());
  const std::string you(kYou);
  const std::string them(kThem);
  for (const TimedSegment& segment : mic) {
    const std::vector<std::string> words = UnicodeText::words(segment.text);
    if (words.empty() || isEcho(words, segment, system, systemWords, vocabulary)) continue;
    labelled.push_back(Labelled{&segment, you});
  }
  for (const TimedSegment& segment : system) labelled.push_back(Labelled{&segment, them});
  sortByStart(labelled);
  return join(labelled);
}

std::vector<Turn> mixed(const std::vector<TimedSegment>& segments, bool separatesSpeakers) {
  std::vector<Labelled> sorted;
  sorted.reserve(segments.size());
  const std::string speaker(kSpeaker);
  for (const TimedSegment& segment : segments) {
    sorted.push_back(Labelled{&segment, separatesSpeakers ? segment.speaker.value_or(speaker) : speaker});
  }
  sortByStart(sorted);
  if (separatesSpeakers) return join(sorted);

  std::vector<Turn> turns;
  for (const Labelled& item : sorted) {
    std::string text = UnicodeText::trimmed(item.segment->text);
    if (!text.empty()) turns.push_back(Turn{item.segment->start, speaker, std::move(text)});
  }
  return turns;
}

size_t editDistance(std::string_view a, std::string_view b) {
  CharacterTable table;
  return distance(table.characters(UnicodeText::composed(a)), table.characters(UnicodeText::composed(b)));
}

}  // namespace kelv::core::TranscriptMerge
