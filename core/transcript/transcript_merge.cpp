#include "kelv/core/transcript/transcript_merge.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <unicode/utf8.h>

#include "kelv/core/util/edit_distance.h"
#include "kelv/core/util/unicode_text.h"

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
    const auto size = static_cast<int32_t>(cluster.size());
    int32_t next = 0;
    UChar32 c;
    U8_NEXT(bytes, next, size, c);
    if (next == size && c >= 0) return static_cast<uint32_t>(c);
    auto [it, added] =
        clusters_.try_emplace(cluster, 0x110000 + static_cast<uint32_t>(clusters_.size()));
    return it->second;
  }

  std::unordered_map<std::string, uint32_t> clusters_;
};

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

// Words and their characters, each distinct word converted once per merge.
class Vocabulary {
 public:
  struct Entry {
    std::string_view text;
    const Characters* characters;
  };

  Entry entry(const std::string& word) {
    auto it = characters_.find(word);
    if (it == characters_.end()) it = characters_.emplace(word, table_.characters(word)).first;
    return Entry{it->first, &it->second};
  }

 private:
  CharacterTable table_;
  std::unordered_map<std::string, Characters> characters_;
};

// Decides, microphone segment by microphone segment, whether it is the echo of system segments
// near it in time. Scratch containers are reused across segments.
class EchoFilter {
 public:
  explicit EchoFilter(const std::vector<TimedSegment>& system) {
    // The scan over every system segment for every microphone segment reads only the times;
    // keeping them packed makes that scan cheap.
    times_.reserve(system.size());
    systemWords_.reserve(system.size());
    for (const TimedSegment& segment : system) {
      times_.push_back({segment.start, segment.end});
      std::vector<Vocabulary::Entry> entries;
      for (const std::string& word : UnicodeText::words(segment.text))
        entries.push_back(vocabulary_.entry(word));
      systemWords_.push_back(std::move(entries));
    }
  }

  bool isEcho(const TimedSegment& segment, const std::vector<std::string>& words) {
    nearby_.clear();
    nearbyInOrder_.clear();
    const double latestStart = segment.end + kNeighbourhood;
    const double earliestEnd = segment.start - kNeighbourhood;
    for (size_t i = 0; i < times_.size(); ++i) {
      if (times_[i].start <= latestStart && times_[i].end >= earliestEnd) {
        for (const Vocabulary::Entry& entry : systemWords_[i]) {
          if (nearby_.insert(entry.text).second) nearbyInOrder_.push_back(entry.characters);
        }
      }
    }
    size_t matches = 0;
    for (const std::string& word : words) {
      if (nearby_.contains(word)) {
        ++matches;
        continue;
      }
      const Characters& characters = *vocabulary_.entry(word).characters;
      if (characters.size() < 3) continue;
      const size_t allowance = characters.size() == 3 ? 1 : characters.size() / 4;
      for (const Characters* candidate : nearbyInOrder_) {
        if (EditDistance::within(characters, *candidate, allowance, row_)) {
          ++matches;
          break;
        }
      }
    }
    // matches ÷ words ≥ 0.6, without rounding.
    return matches * 5 >= words.size() * 3;
  }

 private:
  struct Times {
    double start;
    double end;
  };
  std::vector<Times> times_;
  Vocabulary vocabulary_;
  std::vector<std::vector<Vocabulary::Entry>> systemWords_;
  std::unordered_set<std::string_view> nearby_;
  std::vector<const Characters*> nearbyInOrder_;
  std::vector<size_t> row_;
};

}  // namespace

std::vector<Turn> merge(const std::vector<TimedSegment>& mic,
                        const std::vector<TimedSegment>& system) {
  EchoFilter filter(system);
  std::vector<Labelled> labelled;
  labelled.reserve(mic.size() + system.size());
  const std::string you(kYou);
  const std::string them(kThem);
  for (const TimedSegment& segment : mic) {
    const std::vector<std::string> words = UnicodeText::words(segment.text);
    if (words.empty() || filter.isEcho(segment, words)) continue;
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
    sorted.push_back(
        Labelled{&segment, separatesSpeakers ? segment.speaker.value_or(speaker) : speaker});
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
  return EditDistance::between(table.characters(UnicodeText::composed(a)),
                               table.characters(UnicodeText::composed(b)));
}

}  // namespace kelv::core::TranscriptMerge
