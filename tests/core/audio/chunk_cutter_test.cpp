#include "kelv/core/audio/chunk_cutter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "kelv/core/audio/track_audio.h"

namespace kelv::core {
namespace {

// Keeps every chunk in memory and checks the sink protocol as it goes.
class RecordingSink final : public ChunkCutter::Sink {
 public:
  struct Chunk {
    int64_t position = 0;
    std::vector<float> samples;
    bool closed = false;
  };

  void write(int64_t chunk, int64_t position, std::span<const float> samples) override {
    ASSERT_FALSE(samples.empty());
    if (chunk == static_cast<int64_t>(chunks.size())) {
      ASSERT_TRUE(chunks.empty() || chunks.back().closed) << "new chunk before the last closed";
      chunks.push_back(Chunk{position, {}, false});
    }
    ASSERT_EQ(chunk + 1, static_cast<int64_t>(chunks.size()));
    Chunk& current = chunks.back();
    ASSERT_FALSE(current.closed);
    ASSERT_EQ(position, current.position + static_cast<int64_t>(current.samples.size()));
    current.samples.insert(current.samples.end(), samples.begin(), samples.end());
  }

  void close(int64_t chunk) override {
    ASSERT_EQ(chunk + 1, static_cast<int64_t>(chunks.size()));
    ASSERT_FALSE(chunks.back().closed);
    chunks.back().closed = true;
  }

  std::vector<int64_t> sizes() const {
    std::vector<int64_t> out;
    for (const auto& c : chunks) out.push_back(static_cast<int64_t>(c.samples.size()));
    return out;
  }

  std::vector<Chunk> chunks;
};

std::vector<float> noise(size_t count, unsigned seed, float amplitude = 0.5f) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-amplitude, amplitude);
  std::vector<float> out(count);
  for (auto& sample : out) sample = value(random);
  return out;
}

// Feeds `track` in buffers of the given size (the last may be shorter).
RecordingSink cut(const std::vector<float>& track, int64_t maxFrames, size_t bufferSize) {
  RecordingSink sink;
  ChunkCutter cutter(maxFrames, sink);
  for (size_t start = 0; start < track.size(); start += bufferSize) {
    const size_t count = std::min(bufferSize, track.size() - start);
    cutter.append(std::span<const float>(track).subspan(start, count));
  }
  cutter.finish();
  return sink;
}

TEST(QuietestCut, FollowsTheWindowRule) {
  struct Case {
    const char* name;
    std::vector<std::pair<int64_t, float>> quiet;  // window start, constant value in it
    size_t length;
    int64_t from, to, expected;
  };
  const std::vector<Case> cases = {
      {"no whole window gives to", {}, 1000, 900, 1000, 1000},
      {"range shorter than a window", {}, 1000, 850, 1000, 1000},
      {"single quiet window", {{480, 0.01f}}, 1000, 0, 960, 560},
      {"equal energies keep the earlier", {{160, 0.01f}, {640, 0.01f}}, 1000, 0, 960, 240},
      {"digital silence lands in its first window",
       {{320, 0}, {480, 0}, {640, 0}},
       1000,
       0,
       960,
       400},
      {"window must end at or before to", {{640, 0.02f}, {800, 0}}, 1000, 0, 959, 720},
      {"negative from starts at zero", {{0, 0}}, 1000, -500, 960, 80},
      {"empty range cuts at least one sample", {}, 1000, -80, 0, 1},
      {"windows past the samples are ignored", {}, 100, 0, 800, 800},
  };
  for (const auto& c : cases) {
    auto samples = noise(c.length, 7);
    for (auto [start, value] : c.quiet)
      std::fill(samples.begin() + start, samples.begin() + start + 160, value);
    EXPECT_EQ(TrackAudio::quietestCut(samples, c.from, c.to), c.expected) << c.name;
  }
}

TEST(QuietestCut, SumsEnergyInFloatInOrder) {
  // 1 + 159 × 2⁻²⁶: in float each tiny square is lost against the leading 1, so this window
  // ties with a window of a single 1 and the earlier one wins.
  std::vector<float> samples(320, 0.0f);
  samples[0] = 1.0f;
  for (int i = 1; i < 160; ++i) samples[i] = std::ldexp(1.0f, -13);
  samples[160] = 1.0f;
  EXPECT_EQ(TrackAudio::quietestCut(samples, 0, 320), 80);
}

TEST(ChunkCutter, ChunkLengthsFollowTheLimit) {
  struct Case {
    const char* name;
    size_t length;
    int64_t maxFrames;
    size_t bufferSize;
    std::vector<int64_t> sizes;
  };
  // With maxFrames 800 the span (80) is shorter than a window: every cut is at the limit.
  const std::vector<Case> cases = {
      {"empty track", 0, 800, 100, {}},
      {"exactly max frames", 800, 800, 160000, {800}},
      {"one past max frames", 801, 800, 160000, {800, 1}},
      {"one long buffer gives several chunks", 4100, 800, 160000, {800, 800, 800, 800, 800, 100}},
      {"one sample buffers", 1700, 800, 1, {800, 800, 100}},
      {"one-sample chunks", 3, 1, 2, {1, 1, 1}},
  };
  for (const auto& c : cases) {
    const auto sink = cut(noise(c.length, 3), c.maxFrames, c.bufferSize);
    EXPECT_EQ(sink.sizes(), c.sizes) << c.name;
  }
}

TEST(ChunkCutter, CutsInTheQuietestWindowOfTheSpan) {
  // maxFrames 16000: span 1600, so the first chunk's windows start at 14400, 14560, ...
  struct Case {
    const char* name;
    std::vector<int64_t> quietWindows;
    int64_t firstChunk;
  };
  const std::vector<Case> cases = {
      {"silence stretch", {14880, 15040, 15200}, 14960},
      {"equal quiet windows", {14560, 15680}, 14640},
      {"quiet before the span is ignored", {14240, 15520}, 15600},
      {"last window ends at the limit", {15840}, 15920},
  };
  for (const auto& c : cases) {
    auto track = noise(20000, 11);
    for (int64_t start : c.quietWindows)
      std::fill(track.begin() + start, track.begin() + start + 160, 0.0f);
    for (size_t bufferSize : {160000u, 1000u, 7u}) {
      const auto sink = cut(track, 16000, bufferSize);
      EXPECT_EQ(sink.sizes(), (std::vector<int64_t>{c.firstChunk, 20000 - c.firstChunk}))
          << c.name << ", buffers of " << bufferSize;
    }
  }
}

TEST(ChunkCutter, EverySampleLandsInExactlyOneChunkInOrder) {
  const auto track = noise(250000, 5);
  for (int64_t maxFrames : {800, 16000, 33333, 480000}) {
    for (size_t bufferSize : {160000u, 4095u, 1u << 18}) {
      const auto sink = cut(track, maxFrames, bufferSize);
      std::vector<float> joined;
      for (const auto& chunk : sink.chunks) {
        EXPECT_TRUE(chunk.closed);
        EXPECT_EQ(chunk.position, static_cast<int64_t>(joined.size()));
        EXPECT_LE(static_cast<int64_t>(chunk.samples.size()), maxFrames);
        joined.insert(joined.end(), chunk.samples.begin(), chunk.samples.end());
      }
      EXPECT_EQ(joined, track) << "max " << maxFrames << ", buffers of " << bufferSize;
    }
  }
}

TEST(ChunkCutter, MaxFramesFromSeconds) {
  EXPECT_EQ(ChunkCutter::maxFramesFor(1200), 1200 * 16000);
  EXPECT_EQ(ChunkCutter::maxFramesFor(30), 480000);
  EXPECT_EQ(ChunkCutter::maxFramesFor(0.05), 800);
  EXPECT_EQ(ChunkCutter::maxFramesFor(1.0 / 16000), 1);
  for (double bad : std::initializer_list<double>{0.0, -1.0, 1e-5, std::nan(""), -HUGE_VAL})
    EXPECT_THROW(ChunkCutter::maxFramesFor(bad), std::invalid_argument) << bad;
  EXPECT_GT(ChunkCutter::maxFramesFor(HUGE_VAL), int64_t{1} << 40);

  RecordingSink sink;
  EXPECT_EQ(ChunkCutter(1200 * 16000, sink).span(), 80000);
  EXPECT_EQ(ChunkCutter(480000, sink).span(), 48000);
  EXPECT_EQ(ChunkCutter(800, sink).span(), 80);
}

}  // namespace
}  // namespace kelv::core
