// Listening back through a private sound server whose speakers are a null sink: what the player
// plays is recorded from that sink's monitor and measured.
#include "kelv/capture/audio_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "audio_files.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/util/system_info.h"
#include "pulse_client.h"
#include "pulse_server.h"
#include "record_stream.h"
#include "temp_dir.h"

namespace kelv::capture {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
constexpr int kRate = 16000;

// A track like the recorder and the compressor leave them: `seconds` of `wave(t)`, stored as
// AAC in an .m4a file (or raw for a .pcm name).
void writeTrack(const fs::path& path, double seconds, const std::function<double(double)>& wave) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(std::lround(wave(static_cast<double>(i) / kRate) * 32767));
  if (path.extension() == ".pcm") return test::writeRawTrack(path, samples);
  const fs::path raw = fs::path(path).replace_extension(".source.pcm");
  test::writeRawTrack(raw, samples);
  core::TrackAudio::compress(raw, path);
  fs::remove(raw);
}

std::function<double(double)> tone(double frequency, double from = 0, double to = 1e9) {
  return [=](double t) {
    return t >= from && t < to ? 0.25 * std::sin(2 * M_PI * frequency * t) : 0.0;
  };
}

// Everything the speakers play from its start, with the uptime of its first sample.
class SpeakerRecording {
 public:
  SpeakerRecording() : client_("speaker recording", PA_SUBSCRIPTION_MASK_NULL, {}) {
    PulseClient::Lock lock(client_);
    stream_.emplace(
        client_, "monitor", "fakespk.monitor",
        [this](std::span<const float> samples, double time) {
          std::lock_guard guard(mutex_);
          if (samples_.empty()) first_ = time;
          samples_.insert(samples_.end(), samples.begin(), samples.end());
        },
        [] {});
  }
  ~SpeakerRecording() {
    PulseClient::Lock lock(client_);
    stream_.reset();
  }
  std::vector<float> samples() {
    std::lock_guard guard(mutex_);
    return samples_;
  }
  // The samples captured from uptime `from` on.
  std::vector<float> since(double from) {
    std::lock_guard guard(mutex_);
    const auto skip = static_cast<size_t>(
        std::clamp((from - first_) * kRate, 0.0, static_cast<double>(samples_.size())));
    return {samples_.begin() + static_cast<ptrdiff_t>(skip), samples_.end()};
  }

 private:
  PulseClient client_;
  std::optional<RecordStream> stream_;
  std::mutex mutex_;
  std::vector<float> samples_;
  double first_ = 0;
};

// The amplitude of `frequency` in samples[from, from + count) (Goertzel).
double level(const std::vector<float>& samples, double frequency, size_t from = 0,
             size_t count = SIZE_MAX) {
  const size_t end = std::min(samples.size(), count == SIZE_MAX ? SIZE_MAX : from + count);
  if (end <= from) return 0;
  const double w = 2 * M_PI * frequency / kRate;
  double s1 = 0, s2 = 0;
  for (size_t i = from; i < end; ++i) {
    const double s = samples[i] + 2 * std::cos(w) * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(end - from);
}

double rms(const std::vector<float>& samples) {
  double sum = 0;
  for (float s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Per 10 ms step, whether `frequency` is the loudest of `candidates` there and clearly heard.
std::vector<bool> dominant(const std::vector<float>& samples, double frequency,
                           const std::vector<double>& candidates) {
  constexpr size_t kStep = kRate / 100, kWindow = kRate / 50;
  std::vector<bool> steps;
  for (size_t at = 0; at + kWindow <= samples.size(); at += kStep) {
    const double mine = level(samples, frequency, at, kWindow);
    bool loudest = mine > 0.05;
    for (double other : candidates)
      if (other != frequency && level(samples, other, at, kWindow) >= mine) loudest = false;
    steps.push_back(loudest);
  }
  return steps;
}

// Seconds from the first to the last step where `frequency` dominates.
double heardFor(const std::vector<float>& samples, double frequency,
                const std::vector<double>& candidates) {
  const auto steps = dominant(samples, frequency, candidates);
  const auto first = std::find(steps.begin(), steps.end(), true);
  if (first == steps.end()) return 0;
  const auto last = std::find(steps.rbegin(), steps.rend(), true);
  return static_cast<double>(std::distance(first, last.base())) / 100;
}

// Where `frequency` first reaches half its loudest, in seconds from the recording's start
// (10 ms windows, 1 ms apart); none when it is never clearly heard.
std::optional<double> onset(const std::vector<float>& samples, double frequency) {
  constexpr size_t kStep = kRate / 1000, kWindow = kRate / 100;
  std::vector<double> levels;
  for (size_t at = 0; at + kWindow <= samples.size(); at += kStep)
    levels.push_back(level(samples, frequency, at, kWindow));
  const double loudest = levels.empty() ? 0 : *std::max_element(levels.begin(), levels.end());
  if (loudest < 0.05) return std::nullopt;
  const auto first =
      std::find_if(levels.begin(), levels.end(), [&](double l) { return l >= loudest / 2; });
  return static_cast<double>(first - levels.begin()) / 1000;
}

// The seconds of the recording from the first to the last 10 ms louder than `threshold`.
double audibleFor(const std::vector<float>& samples, double threshold = 0.02) {
  constexpr size_t kStep = kRate / 100;
  std::optional<size_t> first;
  size_t last = 0;
  for (size_t at = 0; at + kStep <= samples.size(); at += kStep) {
    std::vector<float> window(samples.begin() + static_cast<ptrdiff_t>(at),
                              samples.begin() + static_cast<ptrdiff_t>(at + kStep));
    if (rms(window) > threshold) {
      if (!first) first = at;
      last = at + kStep;
    }
  }
  return first ? static_cast<double>(last - *first) / kRate : 0;
}

// The player with its events collected.
class Listener {
 public:
  Listener()
      : player_(AudioPlayer::Events{
            [this](double duration) { set([&] { duration_ = duration; }); },
            [this](const PlaybackProblem& problem) { set([&] { problem_ = problem; }); },
            [this] { set([&] { ended_ = true; }); }}) {}

  AudioPlayer& player() { return player_; }

  // Opens the tracks and waits for the answer; the duration, or none with problem() set.
  std::optional<double> open(const std::vector<fs::path>& tracks) {
    player_.open(tracks);
    return waitFor([&] { return duration_.has_value() || problem_.has_value(); }) ? duration_
                                                                                  : std::nullopt;
  }
  std::optional<PlaybackProblem> problem() {
    std::lock_guard guard(mutex_);
    return problem_;
  }
  bool waitForEnd(std::chrono::seconds patience) {
    return waitFor([&] { return ended_; }, patience);
  }

 private:
  template <class Change>
  void set(Change&& change) {
    std::lock_guard guard(mutex_);
    change();
    changed_.notify_all();
  }
  template <class Condition>
  bool waitFor(Condition&& condition, std::chrono::seconds patience = 10s) {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, patience, condition);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<double> duration_;
  std::optional<PlaybackProblem> problem_;
  bool ended_ = false;
  AudioPlayer player_;
};

class AudioPlayerTest : public testing::Test {
 protected:
  test::PulseServer server;
  test::TempDir dir;
};

// The microphone holds 440 Hz for its first 10 s, then 880 Hz.
TEST_F(AudioPlayerTest, PlaysFromTheMomentAsked) {
  writeTrack(dir / "mic.m4a", 20, [](double t) { return tone(t < 10 ? 440 : 880)(t); });
  struct Case {
    double from;
    double heard;
    double other;
  };
  for (const Case& c : {Case{12, 880, 440}, Case{3, 440, 880}, Case{9.5, 440, 880}}) {
    SCOPED_TRACE(c.from);
    Listener listener;
    ASSERT_NEAR(listener.open({dir / "mic.m4a"}).value_or(-1), 20, 0.1);
    SpeakerRecording speakers;
    listener.player().seek(c.from);
    listener.player().play();
    std::this_thread::sleep_for(400ms);
    const auto heard = speakers.samples();
    listener.player().pause();
    const auto played =
        heard.size() > 1600 ? std::vector<float>(heard.end() - 1600, heard.end()) : heard;
    EXPECT_GT(level(played, c.heard), 0.15);
    EXPECT_LT(level(played, c.other), 0.03);
    EXPECT_NEAR(listener.player().position(), c.from + 0.4, 0.15);
  }
}

TEST_F(AudioPlayerTest, SpeedChangesTheLengthAndKeepsThePitch) {
  writeTrack(dir / "mic.m4a", 2, tone(440));
  for (const double tempo : {1.0, 2.0, 0.75}) {
    SCOPED_TRACE(tempo);
    Listener listener;
    ASSERT_TRUE(listener.open({dir / "mic.m4a"}));
    SpeakerRecording speakers;
    listener.player().setTempo(tempo);
    listener.player().play();
    ASSERT_TRUE(listener.waitForEnd(10s));
    std::this_thread::sleep_for(200ms);
    const auto heard = speakers.samples();
    EXPECT_NEAR(audibleFor(heard), 2 / tempo, 0.08);
    EXPECT_NEAR(heardFor(heard, 440, {330, 440, 880}), 2 / tempo, 0.1);
    EXPECT_FALSE(listener.player().playing());
    EXPECT_NEAR(listener.player().position(), 2, 0.05);
  }
}

TEST_F(AudioPlayerTest, PauseIsSilenceAndPlayGoesOnFromThere) {
  writeTrack(dir / "mic.m4a", 10, tone(440));
  Listener listener;
  ASSERT_TRUE(listener.open({dir / "mic.m4a"}));
  SpeakerRecording speakers;
  listener.player().play();
  std::this_thread::sleep_for(600ms);
  listener.player().pause();
  std::this_thread::sleep_for(150ms);
  const double paused = listener.player().position();
  const double quietFrom = core::systemUptime();
  std::this_thread::sleep_for(700ms);
  EXPECT_LT(rms(speakers.since(quietFrom)), 0.002);
  EXPECT_FALSE(listener.player().playing());
  EXPECT_NEAR(listener.player().position(), paused, 0.001);
  EXPECT_NEAR(paused, 0.6, 0.15);

  listener.player().play();
  std::this_thread::sleep_for(500ms);
  EXPECT_GT(level(speakers.since(core::systemUptime() - 0.2), 440), 0.15);
  EXPECT_NEAR(listener.player().position(), paused + 0.5, 0.15);
}

// Both tracks hold a short tone from 1.0 s, the microphone's at 440 Hz, the system's at 1760.
TEST_F(AudioPlayerTest, MixesTheTracksAlignedAtTheirCommonStart) {
  writeTrack(dir / "mic.m4a", 2, tone(440, 1.0, 1.5));
  writeTrack(dir / "system.m4a", 2.5, tone(1760, 1.0, 1.5));
  writeTrack(dir / "system.pcm", 2.5, tone(1760, 1.0, 1.5));
  struct Case {
    std::vector<fs::path> tracks;
    bool mic;
    bool system;
  };
  for (const Case& c : {Case{{dir / "mic.m4a", dir / "system.m4a"}, true, true},
                        Case{{dir / "mic.m4a", dir / "system.pcm"}, true, true},
                        Case{{dir / "system.m4a"}, false, true}}) {
    SCOPED_TRACE(c.tracks.size());
    Listener listener;
    ASSERT_NEAR(listener.open(c.tracks).value_or(-1), 2.5, 0.05);
    SpeakerRecording speakers;
    listener.player().play();
    ASSERT_TRUE(listener.waitForEnd(10s));
    const auto heard = speakers.samples();
    const double system = heardFor(heard, 1760, {440, 1760, 880});
    EXPECT_NEAR(system, 0.5, 0.05);
    const std::optional<double> micStart = onset(heard, 440);
    const std::optional<double> systemStart = onset(heard, 1760);
    ASSERT_TRUE(systemStart);
    if (c.mic) {
      EXPECT_NEAR(heardFor(heard, 440, {440, 1760, 880}), 0.5, 0.05);
      ASSERT_TRUE(micStart);
      EXPECT_NEAR(*micStart, *systemStart, 0.02);
    } else {
      EXPECT_FALSE(micStart);
    }
  }
}

// 440 Hz for 5 s, 660 Hz to 10 s, 880 Hz to 15 s: after a seek into the 660 Hz part, that tone
// lasts exactly as long as is left of it from the target.
TEST_F(AudioPlayerTest, SeekWhilePlayingLandsOnTheTarget) {
  writeTrack(dir / "mic.m4a", 15, [](double t) {
    return tone(t < 5 ? 440 : t < 10 ? 660 : 880)(t);
  });
  for (const double target : {7.8, 6.25, 9.1}) {
    SCOPED_TRACE(target);
    Listener listener;
    ASSERT_TRUE(listener.open({dir / "mic.m4a"}));
    SpeakerRecording speakers;
    listener.player().seek(1);
    listener.player().play();
    std::this_thread::sleep_for(500ms);
    listener.player().seek(target);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(static_cast<int>((10 - target) * 1000) + 600));
    listener.player().pause();
    const auto heard = speakers.samples();
    EXPECT_NEAR(heardFor(heard, 660, {440, 660, 880}), 10 - target, 0.05);
    EXPECT_GT(heardFor(heard, 880, {440, 660, 880}), 0.3);
  }
}

TEST_F(AudioPlayerTest, BadFilesSayWhatIsWrong) {
  writeTrack(dir / "good.m4a", 30, tone(440));
  {
    std::ifstream in(dir / "good.m4a", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(dir / "cut.m4a", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(dir / "text.m4a", std::ios::binary) << "no audio here";
  }
  struct Case {
    fs::path file;
    PlaybackProblem::Kind kind;
  };
  for (const Case& c : {Case{dir / "gone.m4a", PlaybackProblem::Kind::missingFile},
                        Case{dir / "cut.m4a", PlaybackProblem::Kind::unreadableFile},
                        Case{dir / "text.m4a", PlaybackProblem::Kind::unreadableFile}}) {
    SCOPED_TRACE(c.file);
    Listener listener;
    EXPECT_FALSE(listener.open({dir / "good.m4a", c.file}));
    ASSERT_TRUE(listener.problem());
    EXPECT_EQ(listener.problem()->kind, c.kind);
    listener.player().play();  // nothing to play: no crash, no stream
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(listener.player().playing());
  }
}

TEST(AudioPlayer, WithoutASoundServerSaysSo) {
  test::TempDir dir;
  writeTrack(dir / "mic.pcm", 1, tone(440));
  ::setenv("PULSE_SERVER", ("unix:" + (dir / "none").string()).c_str(), 1);
  Listener listener;
  EXPECT_FALSE(listener.open({dir / "mic.pcm"}));
  ::unsetenv("PULSE_SERVER");
  ASSERT_TRUE(listener.problem());
  EXPECT_EQ(listener.problem()->kind, PlaybackProblem::Kind::noSoundServer);
  EXPECT_EQ(listener.player().position(), 0);
}

}  // namespace
}  // namespace kelv::capture
