#include "kelv/capture/live_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include "kelv/capture/capture_error.h"
#include "kelv/core/util/system_info.h"
#include "pulse_server.h"

namespace kelv::capture {
namespace {

using core::CapturedAudio;
using core::Track;
using namespace std::chrono_literals;

// Everything a capture delivered, per track.
class Collector {
 public:
  core::CaptureSource::Deliver sink() {
    return [this](CapturedAudio audio) {
      std::lock_guard lock(mutex_);
      auto& track = tracks_[audio.track];
      track.firstTime = track.samples.empty() ? audio.captureTime : track.firstTime;
      track.samples.insert(track.samples.end(), audio.samples.begin(), audio.samples.end());
      ++track.buffers;
      track.lastArrival = core::systemUptime();
    };
  }
  struct TrackData {
    std::vector<int16_t> samples;
    double firstTime = 0;
    double lastArrival = 0;
    int buffers = 0;
  };
  TrackData track(Track track) {
    std::lock_guard lock(mutex_);
    return tracks_[track];
  }

 private:
  std::mutex mutex_;
  std::map<Track, TrackData> tracks_;
};

// Dominant frequency of a clean tone from its zero crossings.
double frequency(const std::vector<int16_t>& samples) {
  if (samples.size() < 1600) return 0;
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  return crossings / 2.0 / (samples.size() / 16000.0);
}

std::vector<int16_t> tail(const std::vector<int16_t>& samples, size_t count) {
  if (samples.size() <= count) return samples;
  return {samples.end() - static_cast<long>(count), samples.end()};
}

int threadCount() {
  int count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    ++count;
  return count;
}

// Record streams of client programs (the server's own modules have "-" as their client).
int recordStreams(test::PulseServer& server) {
  std::istringstream lines(server.pactl("list short source-outputs"));
  int count = 0;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string index, source, client;
    if (fields >> index >> source >> client && client != "-") ++count;
  }
  return count;
}

TEST(LiveCapture, RecordsTheMicrophoneAndWhatThePeakersPlay) {
  test::PulseServer server;
  test::writeToneWav(server.folder() / "tone.wav", 1000, 10);
  Collector collector;
  std::vector<std::string> problems;
  LiveCapture capture([&](const std::string& problem) { problems.push_back(problem); });
  const double started = core::systemUptime();
  capture.start(collector.sink());
  auto player = server.spawn({"paplay", (server.folder() / "tone.wav").string()});
  std::this_thread::sleep_for(3s);
  capture.stop();
  const double stopped = core::systemUptime();

  const auto mic = collector.track(Track::mic);
  const auto system = collector.track(Track::system);
  EXPECT_NEAR(frequency(mic.samples), 440, 5);
  EXPECT_NEAR(frequency(tail(system.samples, 16000)), 1000, 10);
  // The stamps agree with the amount of audio: the last sample was captured just before stop
  // (a source may hand over audio it captured before the stream opened, stamped as such).
  EXPECT_NEAR(mic.firstTime + mic.samples.size() / 16000.0, stopped, 0.15);
  EXPECT_NEAR(system.firstTime + system.samples.size() / 16000.0, stopped, 0.15);
  EXPECT_LE(mic.firstTime, started + 0.3);
  // The speakers' monitor is silent (delivers nothing) until something plays.
  EXPECT_LE(system.firstTime, stopped - 1);
  // No system bus in the test environment: reported once, recording goes on.
  EXPECT_LE(problems.size(), 1u);
}

TEST(LiveCapture, StartingTwiceChangesNothingAndStopLeavesNothingBehind) {
  test::PulseServer server;
  Collector first;
  Collector second;
  LiveCapture capture;
  const int threadsBefore = threadCount();
  capture.start(first.sink());
  EXPECT_EQ(recordStreams(server), 2);
  const int threadsStarted = threadCount();
  capture.start(second.sink());
  EXPECT_EQ(recordStreams(server), 2);
  EXPECT_EQ(threadCount(), threadsStarted);
  std::this_thread::sleep_for(500ms);
  capture.stop();
  EXPECT_FALSE(capture.isStarted());
  EXPECT_EQ(recordStreams(server), 0);
  EXPECT_EQ(threadCount(), threadsBefore);
  EXPECT_GT(first.track(Track::mic).buffers, 0);
  EXPECT_EQ(second.track(Track::mic).buffers, 0);

  const auto after = first.track(Track::mic).buffers;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(first.track(Track::mic).buffers, after);
  capture.stop();  // stopping a stopped capture does nothing
}

TEST(LiveCapture, WithoutAnyMicrophoneStartFailsAndNothingRuns) {
  test::PulseServer server(test::PulseServer::Options{.micFrequency = std::nullopt});
  Collector collector;
  LiveCapture capture;
  const int threadsBefore = threadCount();
  try {
    capture.start(collector.sink());
    FAIL() << "start succeeded without a microphone";
  } catch (const CaptureError& error) {
    EXPECT_EQ(error.kind(), CaptureError::Kind::noInputDevice);
    EXPECT_STREQ(error.what(), "No microphone is available.");
  }
  EXPECT_FALSE(capture.isStarted());
  EXPECT_EQ(recordStreams(server), 0);
  EXPECT_EQ(threadCount(), threadsBefore);
}

TEST(LiveCapture, WithoutASoundServerStartFails) {
  test::TempDir dir;
  ::setenv("PULSE_SERVER", ("unix:" + (dir / "none").string()).c_str(), 1);
  LiveCapture capture;
  Collector collector;
  try {
    capture.start(collector.sink());
    FAIL() << "start succeeded without a sound server";
  } catch (const CaptureError& error) {
    EXPECT_EQ(error.kind(), CaptureError::Kind::micFailed);
    EXPECT_EQ(std::string(error.what()).rfind("The microphone could not start: ", 0), 0u);
  }
  ::unsetenv("PULSE_SERVER");
  EXPECT_FALSE(capture.isStarted());
}

TEST(LiveCapture, LosingTheMicrophoneRebuildsOnAnotherOne) {
  test::PulseServer server;
  Collector collector;
  std::mutex problemsMutex;
  std::vector<std::string> problems;
  LiveCapture capture([&](const std::string& problem) {
    std::lock_guard lock(problemsMutex);
    problems.push_back(problem);
  });
  capture.start(collector.sink());
  std::this_thread::sleep_for(1s);
  ASSERT_NEAR(frequency(collector.track(Track::mic).samples), 440, 5);

  server.loadModule("module-sine-source source_name=othermic rate=16000 frequency=880");
  server.pactl("unload-module " + std::to_string(server.moduleOf("fakemic")));
  const size_t before = collector.track(Track::mic).samples.size();
  std::this_thread::sleep_for(3s);
  const auto mic = collector.track(Track::mic);
  EXPECT_TRUE(capture.isStarted());
  ASSERT_GT(mic.samples.size(), before + 16000);
  EXPECT_NEAR(frequency(tail(mic.samples, 16000)), 880, 5);
  capture.stop();
}

}  // namespace
}  // namespace kelv::capture
