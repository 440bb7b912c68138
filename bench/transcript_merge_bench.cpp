// Merging the two transcripts of a three-hour class: 5 000 microphone segments, half of them
// the loudspeaker echo of a system segment (with the odd misheard word), against 5 000 system
// segments. Target: under 100 ms per merge.
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "kelv/core/transcript/transcript_merge.h"

namespace {

using kelv::core::TimedSegment;

constexpr double kClassSeconds = 3 * 3600;
constexpr int kSegments = 5000;

class TextMaker {
 public:
  explicit TextMaker(unsigned seed) : random_(seed) {
    static const char* syllables[] = {"la",  "de",  "que", "ción", "mien", "to", "ma",
                                      "tri", "vec", "tor", "es",   "pa",   "ra", "ál",
                                      "ge",  "bra", "lí",  "ne",   "al",   "fun"};
    // A lecture's vocabulary: a few thousand words of one to four syllables.
    std::uniform_int_distribution<int> pick(0, std::size(syllables) - 1);
    std::uniform_int_distribution<int> length(1, 4);
    for (int i = 0; i < 3000; ++i) {
      std::string word;
      for (int n = length(random_); n > 0; --n) word += syllables[pick(random_)];
      vocabulary_.push_back(word);
    }
  }

  // 6 to 30 words with some punctuation and capitals, like recogniser output.
  std::string sentence() {
    std::uniform_int_distribution<int> count(6, 30);
    std::uniform_int_distribution<size_t> pick(0, vocabulary_.size() - 1);
    std::string text;
    for (int n = count(random_); n > 0; --n) {
      if (!text.empty()) text += (random_() % 9 == 0) ? ", " : " ";
      text += vocabulary_[pick(random_)];
    }
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
  }

  // The sentence as the microphone hears it from the loudspeakers: a word in eight misheard.
  std::string echo(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
      if (out[i] == ' ' && random_() % 8 == 0 && i + 1 < out.size() && out[i + 1] != ' ')
        out[i + 1] = 'x';
    }
    return out;
  }

  std::mt19937& random() { return random_; }

 private:
  std::mt19937 random_;
  std::vector<std::string> vocabulary_;
};

struct Transcripts {
  std::vector<TimedSegment> mic;
  std::vector<TimedSegment> system;
};

Transcripts makeClass() {
  TextMaker maker(20250314);
  Transcripts out;
  const double step = kClassSeconds / kSegments;
  for (int i = 0; i < kSegments; ++i) {
    const double start = i * step;
    out.system.push_back(TimedSegment{start, start + step * 0.9, maker.sentence(), std::nullopt});
  }
  for (int i = 0; i < kSegments; ++i) {
    const double start = i * step + 0.3;
    const std::string text = i % 2 == 0 ? maker.echo(out.system[i].text) : maker.sentence();
    out.mic.push_back(TimedSegment{start, start + step * 0.8, text, std::nullopt});
  }
  return out;
}

void BM_MergeThreeHourClass(benchmark::State& state) {
  const Transcripts transcripts = makeClass();
  size_t turns = 0;
  for (auto _ : state) {
    auto merged = kelv::core::TranscriptMerge::merge(transcripts.mic, transcripts.system);
    turns = merged.size();
    benchmark::DoNotOptimize(merged);
  }
  state.counters["turns"] = static_cast<double>(turns);
  state.counters["target_ms"] = 100;
}
BENCHMARK(BM_MergeThreeHourClass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
