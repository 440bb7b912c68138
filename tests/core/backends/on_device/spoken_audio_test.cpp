#include "kelv/core/backends/on_device/spoken_audio.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelv::core {
namespace {

using Span = SpokenAudio::Span;

// One second of samples whose value is their own index, so the joined audio shows what came
// from where.
std::vector<float> numbered(int64_t count) {
  std::vector<float> samples(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) samples[static_cast<size_t>(i)] = static_cast<float>(i);
  return samples;
}

constexpr int64_t kRate = 16000;
constexpr int64_t kJoin = kRate / 10;

TEST(SpokenAudio, JoinsTheSpansWithShortSilences) {
  struct Case {
    const char* what;
    std::vector<Span> speech;
    std::vector<Span> merged;
  };
  const std::vector<Case> cases = {
      {"nothing", {}, {}},
      {"one span", {{100, 300}}, {{100, 300}}},
      {"out of order", {{5000, 6000}, {100, 300}}, {{100, 300}, {5000, 6000}}},
      {"overlapping spans merge", {{100, 300}, {200, 500}}, {{100, 500}}},
      {"touching spans merge", {{100, 300}, {300, 400}}, {{100, 400}}},
      {"kept within the chunk", {{-50, 100}, {15900, 20000}}, {{0, 100}, {15900, 16000}}},
      {"empty and reversed spans are dropped", {{100, 100}, {500, 400}}, {}},
  };
  const std::vector<float> chunk = numbered(kRate);
  for (const Case& c : cases) {
    const SpokenAudio audio(chunk, c.speech);
    ASSERT_EQ(audio.spans().size(), c.merged.size()) << c.what;
    std::vector<float> expected;
    for (const Span& span : c.merged) {
      if (!expected.empty()) expected.insert(expected.end(), kJoin, 0.0f);
      for (int64_t i = span.start; i < span.end; ++i) expected.push_back(static_cast<float>(i));
    }
    for (size_t i = 0; i < c.merged.size(); ++i) {
      EXPECT_EQ(audio.spans()[i].start, c.merged[i].start) << c.what;
      EXPECT_EQ(audio.spans()[i].end, c.merged[i].end) << c.what;
    }
    EXPECT_EQ(audio.samples(), expected) << c.what;
    EXPECT_EQ(audio.empty(), c.merged.empty()) << c.what;
  }
}

TEST(SpokenAudio, TimesMapBackToTheChunk) {
  // Speech from 1 s to 2 s and from 5 s to 5.5 s of a ten-second chunk: in the joined audio the
  // second span starts at 1.1 s.
  const std::vector<float> chunk(static_cast<size_t>(10 * kRate), 0.5f);
  const SpokenAudio audio(chunk, {{5 * kRate, 5 * kRate + kRate / 2}, {kRate, 2 * kRate}});
  struct Case {
    double joined;
    double chunk;
  };
  const Case cases[] = {
      {0.0, 1.0},                // the first span's start
      {0.5, 1.5},                // within it
      {1.0, 2.0},                // its end
      {1.05, 2.0},               // the joining silence holds to the span before it
      {1.1, 5.0},                // the second span's start
      {1.35, 5.25}, {1.6, 5.5},  // its end
      {9.0, 5.5},                // past the end, as the engine's padded windows may say
      {-1.0, 1.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(audio.chunkSeconds(c.joined), c.chunk, 1e-9) << c.joined;
}

}  // namespace
}  // namespace kelv::core
