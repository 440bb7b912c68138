#include "kelv/capture/tone_source.h"

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace kelv::capture {
namespace {

using core::CapturedAudio;
using core::Track;

TEST(ToneSource, DeliversBothTonesContinuouslyUntilStopped) {
  std::mutex mutex;
  std::vector<CapturedAudio> buffers;
  ToneSource source;
  source.start([&](CapturedAudio audio) {
    std::lock_guard lock(mutex);
    buffers.push_back(std::move(audio));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  source.stop();
  const size_t count = buffers.size();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(buffers.size(), count) << "delivered after stop";

  std::vector<int16_t> mic, system;
  double begin = 0;
  for (const auto& buffer : buffers) {
    auto& track = buffer.track == Track::mic ? mic : system;
    if (track.empty() && buffer.track == Track::mic) begin = buffer.captureTime;
    // Each buffer starts where the previous one of its track ended.
    EXPECT_NEAR(buffer.captureTime, begin + static_cast<double>(track.size()) / 16000, 1e-9);
    track.insert(track.end(), buffer.samples.begin(), buffer.samples.end());
  }
  ASSERT_GT(mic.size(), 16000u * 4 / 10);
  EXPECT_EQ(mic, ToneSource::tone(440, 0, static_cast<int64_t>(mic.size())));
  EXPECT_EQ(system, ToneSource::tone(660, 0, static_cast<int64_t>(system.size())));
  EXPECT_EQ(buffers.front().track, Track::mic);
}

TEST(ToneSource, ToneHasTheRequestedPeakAndJoinsWithoutAPhaseJump) {
  const auto whole = ToneSource::tone(440, 0, 16000);
  auto first = ToneSource::tone(440, 0, 7000);
  const auto second = ToneSource::tone(440, 7000, 16000);
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(first, whole);
  EXPECT_EQ(*std::max_element(whole.begin(), whole.end()), 8000);
  EXPECT_EQ(*std::min_element(whole.begin(), whole.end()), -8000);
  EXPECT_EQ(ToneSource::tone(440, 5, 5).size(), 0u);
  // sin(2π · 0.11) × 8000 = 5099.5…, truncated toward zero on both sides of the axis
  EXPECT_EQ(whole[4], 5099);
  EXPECT_EQ(ToneSource::tone(440, -4, -3)[0], -5099);
}

}  // namespace
}  // namespace kelv::capture
