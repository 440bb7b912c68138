// Listening back, decoded: a meeting read from any moment gives the samples the transcript was
// made from at that moment, its tracks mix sample for sample, and the speed changes the length.
#include "kelv/core/audio/playback_audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "audio_files.h"
#include "kelv/core/audio/audio_error.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
constexpr int kRate = 16000;

std::vector<int16_t> wave(double seconds, const std::function<double(double)>& at) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(std::lround(at(static_cast<double>(i) / kRate) * 32767));
  return samples;
}

// A sweep, so that every moment sounds different from its neighbours.
double sweep(double t) { return 0.3 * std::sin(2 * M_PI * (200 * t + 40 * t * t)); }

std::vector<float> readAll(PlaybackAudio& audio, size_t piece = 700) {
  std::vector<float> all, buffer(piece);
  for (;;) {
    const size_t got = audio.read(buffer);
    all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
    if (got < piece) return all;
  }
}

class PlaybackAudioTest : public testing::Test {
 protected:
  void SetUp() override {
    test::writeRawTrack(dir / "mic.pcm", wave(6, sweep));
    TrackAudio::compress(dir / "mic.pcm", dir / "mic.m4a");
  }
  test::TempDir dir;
};

TEST_F(PlaybackAudioTest, FromAnyMomentGivesTheSamplesOfTheTranscriptsTimeline) {
  for (const char* name : {"mic.pcm", "mic.m4a"}) {
    const std::vector<float> whole = TrackAudio::samples(dir / name);
    for (const double from : {0.0, 1.0, 2.345, 5.9}) {
      SCOPED_TRACE(std::string(name) + " from " + std::to_string(from));
      PlaybackAudio audio({dir / name});
      EXPECT_NEAR(audio.duration(), 6, 0.01);
      audio.seek(from);
      const std::vector<float> heard = readAll(audio);
      const auto start = static_cast<size_t>(std::lround(from * kRate));
      ASSERT_NEAR(static_cast<double>(heard.size()), static_cast<double>(whole.size() - start),
                  1100);
      double worst = 0;
      for (size_t i = 0; i < std::min<size_t>(heard.size(), 8000); ++i)
        worst = std::max(worst, static_cast<double>(std::abs(heard[i] - whole[start + i])));
      EXPECT_LT(worst, 0.01);
    }
  }
}

TEST_F(PlaybackAudioTest, TracksMixFromTheirCommonStartAndTheLongestSetsTheEnd) {
  test::writeRawTrack(dir / "a.pcm", wave(1, [](double) { return 0.25; }));
  test::writeRawTrack(dir / "b.pcm", wave(2, [](double t) { return t < 0.5 ? 0.0 : 0.5; }));
  test::writeRawTrack(dir / "loud.pcm", wave(1, [](double) { return 0.9; }));
  struct Case {
    std::vector<fs::path> tracks;
    double seconds;
    std::vector<std::pair<double, float>> expected;  // time, sample
  };
  for (const Case& c : {
           Case{{dir / "a.pcm", dir / "b.pcm"}, 2, {{0.25, 0.25f}, {0.75, 0.75f}, {1.5, 0.5f}}},
           Case{{dir / "b.pcm", dir / "a.pcm"}, 2, {{0.25, 0.25f}, {0.75, 0.75f}}},
           Case{{dir / "loud.pcm", dir / "loud.pcm"}, 1, {{0.5, 1.0f}}},
       }) {
    PlaybackAudio audio(c.tracks);
    EXPECT_DOUBLE_EQ(audio.duration(), c.seconds);
    const std::vector<float> heard = readAll(audio);
    ASSERT_EQ(heard.size(), static_cast<size_t>(c.seconds * kRate));
    for (const auto& [time, sample] : c.expected)
      EXPECT_NEAR(heard[static_cast<size_t>(time * kRate)], sample, 1e-3) << time;
  }
}

TEST_F(PlaybackAudioTest, SpeedChangesTheLength) {
  for (const double tempo : {0.75, 1.0, 1.5, 2.0}) {
    SCOPED_TRACE(tempo);
    PlaybackAudio audio({dir / "mic.m4a"});
    audio.setTempo(tempo);
    audio.seek(1);
    EXPECT_NEAR(static_cast<double>(readAll(audio).size()) / kRate, 5 / tempo, 0.05);
  }
}

TEST_F(PlaybackAudioTest, FilesThatCannotBePlayedSayWhich) {
  kelv::test::writeFile(dir / "text.m4a", "no audio here");
  EXPECT_THROW(PlaybackAudio({dir / "mic.m4a", dir / "gone.m4a"}), PlatformError);
  try {
    PlaybackAudio audio({dir / "text.m4a"});
    FAIL();
  } catch (const AudioError& error) {
    EXPECT_EQ(error.fileName(), "text.m4a");
  }
  EXPECT_THROW(PlaybackAudio({}), std::invalid_argument);
}

}  // namespace
}  // namespace kelv::core
