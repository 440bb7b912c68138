// A real recording: live capture from a private sound server through the recorder into a
// meeting folder.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "kelv/capture/live_capture.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/recording/recorder.h"
#include "kelv/core/util/system_info.h"
#include "pulse_server.h"

namespace kelv::capture {
namespace {

using namespace std::chrono_literals;

std::vector<int16_t> readTrack(const std::filesystem::path& path) {
  const std::string bytes = test::readFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

double frequency(const std::vector<int16_t>& samples, size_t from, size_t count) {
  int crossings = 0;
  for (size_t i = from + 1; i < from + count && i < samples.size(); ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  return crossings / 2.0 / (count / 16000.0);
}

size_t firstSound(const std::vector<int16_t>& samples) {
  for (size_t i = 0; i < samples.size(); ++i)
    if (std::abs(samples[i]) > 1000) return i;
  return samples.size();
}

// Goertzel power of `frequency` against the total power of a window: near 1 for a clean tone.
double toneShare(const std::vector<int16_t>& samples, size_t from, size_t count, double frequency) {
  const double coefficient = 2 * std::cos(2 * M_PI * frequency / 16000.0);
  double previous = 0, beforePrevious = 0, total = 0;
  for (size_t i = from; i < from + count && i < samples.size(); ++i) {
    const double x = samples[i];
    const double current = x + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
    total += x * x;
  }
  if (total == 0) return 0;
  const double power = previous * previous + beforePrevious * beforePrevious -
                       coefficient * previous * beforePrevious;
  return power / (total * count / 2.0);
}

TEST(LiveRecording, FiveSecondsOfBothTracksAligned) {
  test::PulseServer server;
  test::writeToneWav(server.folder() / "them.wav", 1000, 30);

  test::TempDir store;
  const double started = core::systemUptime();
  auto recorder =
      core::Recorder::start(core::MeetingStore(store.path()), std::make_shared<LiveCapture>(), {});
  // The speakers start playing once the recording runs, so the place of the tone on the
  // system track can be checked against when it was played.
  const double played = core::systemUptime();
  auto player = server.spawn({"paplay", (server.folder() / "them.wav").string()});
  std::this_thread::sleep_for(5s);
  const auto folder = recorder->stop();

  const auto mic = readTrack(folder.micTrackPath());
  const auto system = readTrack(folder.systemTrackPath());
  EXPECT_NEAR(mic.size() / 16000.0, 5.0, 0.3);
  EXPECT_NEAR(system.size() / 16000.0, 5.0, 0.3);
  EXPECT_NEAR(mic.size() / 16000.0, system.size() / 16000.0, 0.1);
  // The microphone sounds from the first moment; the speakers not before the tone was played.
  EXPECT_LT(firstSound(mic), 1600u);
  EXPECT_GE(static_cast<double>(firstSound(system)) / 16000.0, played - started - 0.1);
  EXPECT_LT(firstSound(system), mic.size() - 2 * 16000);

  const size_t toneStart = firstSound(system) + 1600;
  for (size_t at = 0; at + 16000 <= mic.size(); at += 16000) {
    SCOPED_TRACE("mic second " + std::to_string(at / 16000));
    EXPECT_NEAR(frequency(mic, at, 16000), 440, 5);
    EXPECT_GT(toneShare(mic, at, 16000, 440), 0.95);
  }
  for (size_t at = toneStart; at + 16000 <= system.size(); at += 16000) {
    SCOPED_TRACE("system from sample " + std::to_string(at));
    EXPECT_NEAR(frequency(system, at, 16000), 1000, 10);
    EXPECT_GT(toneShare(system, at, 16000, 1000), 0.95);
  }
}

}  // namespace
}  // namespace kelv::capture
