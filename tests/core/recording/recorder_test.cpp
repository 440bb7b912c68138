#include "kelv/core/recording/recorder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "faulty_file_system.h"
#include "kelv/core/library/meeting_error.h"
#include "kelv/core/recording/recorder_error.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::TempDir;

// A capture source the test drives by hand: what a sound server would deliver, when it would.
class ManualSource : public CaptureSource {
 public:
  void start(Deliver deliver) override {
    if (failStart) throw std::runtime_error("No microphone is available.");
    std::lock_guard lock(mutex_);
    deliver_ = std::move(deliver);
  }
  void stop() override {
    std::lock_guard lock(mutex_);
    deliver_ = nullptr;
    ++stops;
  }
  void deliver(Track track, std::vector<int16_t> samples, double captureTime) {
    std::lock_guard lock(mutex_);
    if (deliver_) deliver_(CapturedAudio(track, std::move(samples), captureTime));
  }
  bool failStart = false;
  int stops = 0;

 private:
  std::mutex mutex_;
  Deliver deliver_;
};

std::vector<int16_t> readTrack(const fs::path& path) {
  const std::string bytes = kelv::test::readFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Collects events and lets a test wait for one.
struct EventLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<RecorderEvent> events;

  Recorder::EventHandler handler() {
    return [this](const RecorderEvent& event) {
      std::lock_guard lock(mutex);
      events.push_back(event);
      changed.notify_all();
    };
  }
  bool waitFor(size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() >= count; });
  }
};

struct RecorderTest : testing::Test {
  TempDir temp;
  MeetingStore store{temp / "Meetings"};
  std::shared_ptr<ManualSource> source = std::make_shared<ManualSource>();
  std::atomic<int64_t> free{5'000'000'000};
  EventLog log;

  std::shared_ptr<Recorder> start(double flushInterval = 3600,
                                  std::shared_ptr<FileSystem> files = nullptr) {
    Recorder::Options options;
    options.fileSystem = std::move(files);
    options.language = "es";
    options.flushInterval = flushInterval;
    options.clock = [] { return 100.0; };
    options.freeSpace = [this](const fs::path&) { return free.load(); };
    options.onEvent = log.handler();
    return Recorder::start(store, source, std::move(options));
  }
};

TEST_F(RecorderTest, PlacesBuffersOnTheTimelineWithATenthOfASecondTolerance) {
  auto recorder = start();
  const std::vector<int16_t> ones(1600, 1), twos(100, 2), threes(400, 3), fours(100, 4);
  source->deliver(Track::mic, ones, 100.0);                   // end 1600
  source->deliver(Track::mic, twos, 100.0 + 3200 / 16000.0);  // exactly 1600 late: no gap
  source->deliver(Track::system, ones, 100.0);
  source->deliver(Track::system, twos, 100.0 + 3201 / 16000.0);  // 1601 late: 1601 zeros
  // 1700 + 1601 + 100 = 3401 on system; a buffer starting 2000 samples early is trimmed by 2000
  source->deliver(Track::system, threes, 100.0 + 1401 / 16000.0);
  // entirely inside written time: adds nothing
  source->deliver(Track::mic, fours, 100.0);
  source->deliver(Track::mixed, ones, 100.0);  // no writer: dropped
  const MeetingFolder folder = recorder->stop();

  const auto mic = readTrack(folder.micTrackPath());
  ASSERT_EQ(mic.size(), 1700u);
  EXPECT_EQ(mic[1599], 1);
  EXPECT_EQ(mic[1600], 2);

  const auto system = readTrack(folder.systemTrackPath());
  ASSERT_EQ(system.size(), 1600u + 1601u + 100u);
  EXPECT_EQ(system[1599], 1);
  EXPECT_EQ(system[1600], 0);
  EXPECT_EQ(system[3200], 0);
  EXPECT_EQ(system[3201], 2);
  EXPECT_TRUE(fs::is_empty(folder.path() / "mic.pcm") == false);
  EXPECT_TRUE(folder.trackFiles(Track::mixed).empty());

  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.state, MeetingStatus::State::processing);
  EXPECT_TRUE(status.endedAt.has_value());
  EXPECT_EQ(status.language, "es");
  EXPECT_FALSE(folder.isBusy());
}

TEST_F(RecorderTest, ALateBufferLeavesSilenceSoTracksStayAligned) {
  auto recorder = start();
  source->deliver(Track::mic, std::vector<int16_t>(16000, 7), 100.0);
  source->deliver(Track::mic, std::vector<int16_t>(16000, 7), 104.0);  // 3 s late
  const auto mic = readTrack(recorder->stop().micTrackPath());
  ASSERT_EQ(mic.size(), 16000u + 48000u + 16000u);
  EXPECT_EQ(std::count(mic.begin(), mic.end(), 0), 48000);
}

TEST_F(RecorderTest, LevelsFollowTheWholeIncomingBuffer) {
  auto recorder = start();
  std::vector<int16_t> square(1600);
  for (size_t i = 0; i < square.size(); ++i) square[i] = i % 2 ? 32767 : -32767;
  source->deliver(Track::mic, square, 100.0);
  source->deliver(Track::system, std::vector<int16_t>(1600, 0), 100.0);
  source->deliver(Track::system, std::vector<int16_t>(10, 100), 90.0);  // in the past: level only
  recorder->stop();
  const auto levels = recorder->levels();
  EXPECT_FLOAT_EQ(levels.at(Track::mic), 1.0f);
  EXPECT_NEAR(levels.at(Track::system), 100.0f / 32768 * 25, 1e-6);
}

TEST_F(RecorderTest, StartNeedsOneGigabyteFree) {
  free = 1'000'000'000;
  EXPECT_NO_THROW(start()->stop());
  EXPECT_EQ(store.list().size(), 1u);

  free = 999'999'999;
  try {
    start();
    FAIL() << "started with too little space";
  } catch (const RecorderError& error) {
    EXPECT_STREQ(error.what(), "Not enough disk space to record (1 GB free, 1 GB needed).");
    EXPECT_EQ(error.freeBytes(), 999'999'999);
  }
  free = 812'000'000;
  EXPECT_THROW(start(), RecorderError);
  EXPECT_EQ(store.list().size(), 1u);
}

TEST_F(RecorderTest, LowDiskWarnsOnceAtTwoHundredMegabytesAndStopsBelow) {
  auto recorder = start(0.05);
  free = 200'000'000;
  source->deliver(Track::mic, std::vector<int16_t>(160, 1), 100.0);
  ASSERT_TRUE(log.waitFor(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // several more flushes
  {
    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].kind, RecorderEvent::Kind::lowDisk);
    EXPECT_EQ(log.events[0].freeBytes, 200'000'000);
  }
  free = 199'999'999;
  ASSERT_TRUE(log.waitFor(2));
  {
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events[1].kind, RecorderEvent::Kind::stopped);
    EXPECT_EQ(log.events[1].reason, "Recording stopped: the disk is almost full.");
  }
  const MeetingFolder folder = recorder->folder();
  EXPECT_EQ(folder.readStatus().state, MeetingStatus::State::processing);
  EXPECT_EQ(readTrack(folder.micTrackPath()).size(), 160u);
  EXPECT_FALSE(folder.isBusy());
  EXPECT_NO_THROW(recorder->stop());  // already finished: nothing more happens
}

TEST_F(RecorderTest, AWriteFailureStopsTheRecordingWithTheError) {
  auto recorder = start(0.05);
  const fs::path mic = recorder->folder().micTrackPath();
  // Before the next write, swap the track's descriptor for /dev/full, as a full disk would.
  free = 0;
  std::atomic<bool> swapped{false};
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) == mic) {
      dup2(full, std::stoi(entry.path().filename()));
      swapped = true;
    }
  }
  close(full);
  ASSERT_TRUE(swapped);
  source->deliver(Track::mic, std::vector<int16_t>(160, 1), 100.0);
  ASSERT_TRUE(log.waitFor(1));
  std::lock_guard lock(log.mutex);
  EXPECT_EQ(log.events[0].kind, RecorderEvent::Kind::stopped);
  EXPECT_THAT(log.events[0].reason,
              testing::StartsWith("Recording stopped: Couldn't write “mic.pcm”: No space"));
  // The last write failed too, so the status stays `recording` for recovery to repair.
  EXPECT_EQ(recorder->folder().readStatus().state, MeetingStatus::State::recording);
  EXPECT_FALSE(recorder->folder().isBusy());
}

// Each write and fsync of the tracks and each write, fsync and rename of the status record,
// failed in turn as the recording stops: the error is reported, and the folder stays one that
// recovery repairs.
TEST_F(RecorderTest, AFailedFinalWriteIsReportedAndRecoveryAcceptsTheFolder) {
  using test::FaultyFileSystem;
  const auto counter = std::make_shared<FaultyFileSystem>();
  {
    auto recorder = start(3600, counter);
    source->deliver(Track::mic, std::vector<int16_t>(1600, 1), 100.0);
    source->deliver(Track::system, std::vector<int16_t>(800, 2), 100.0);
    recorder->stop();
  }
  for (const FaultyFileSystem::Call kind : FaultyFileSystem::kCalls) {
    ASSERT_GT(counter->count(kind), 0);
    for (int index = 0; index < counter->count(kind); ++index) {
      SCOPED_TRACE(FaultyFileSystem::nameOf(kind) + " #" + std::to_string(index));
      const auto faulty = std::make_shared<FaultyFileSystem>();
      faulty->failAt(kind, index);
      auto recorder = start(3600, faulty);
      source->deliver(Track::mic, std::vector<int16_t>(1600, 1), 100.0);
      source->deliver(Track::system, std::vector<int16_t>(800, 2), 100.0);
      try {
        recorder->stop();
        ADD_FAILURE() << "the failure went unreported";
      } catch (const PlatformError& error) {
        EXPECT_EQ(error.code(), FaultyFileSystem::errorOf(kind)) << error.what();
      }
      const MeetingFolder folder = recorder->folder();
      EXPECT_FALSE(folder.isBusy());
      ASSERT_EQ(folder.readStatus().state, MeetingStatus::State::recording);
      const auto recovered = store.recoverInterruptedMeetings();
      ASSERT_EQ(recovered.size(), 1u);
      EXPECT_EQ(recovered[0].folder, folder);
      EXPECT_TRUE(folder.readStatus().interrupted);
      // Whatever reached the tracks is whole samples of what was delivered, never more.
      const auto mic = readTrack(folder.micTrackPath());
      EXPECT_EQ(fs::file_size(folder.micTrackPath()) % 2, 0u);
      EXPECT_LE(mic.size(), 1600u);
      EXPECT_EQ(std::count(mic.begin(), mic.end(), 1), static_cast<ptrdiff_t>(mic.size()));
      EXPECT_LE(readTrack(folder.systemTrackPath()).size(), 800u);
    }
  }
}

// A flush that fails stops the recording; the last write then completes the track without
// repeating the samples the failed write or fsync already put in the file.
TEST_F(RecorderTest, AFailedFlushStopsTheRecordingAndTheLastWriteRepeatsNothing) {
  using test::FaultyFileSystem;
  for (const FaultyFileSystem::Call kind :
       {FaultyFileSystem::Call::write, FaultyFileSystem::Call::sync}) {
    SCOPED_TRACE(FaultyFileSystem::nameOf(kind));
    const auto faulty = std::make_shared<FaultyFileSystem>();
    faulty->failAt(kind, 0);
    const size_t seen = [this] {
      std::lock_guard lock(log.mutex);
      return log.events.size();
    }();
    auto recorder = start(0.05, faulty);
    source->deliver(Track::mic, std::vector<int16_t>(1600, 3), 100.0);
    ASSERT_TRUE(log.waitFor(seen + 1));
    {
      std::lock_guard lock(log.mutex);
      EXPECT_EQ(log.events[seen].kind, RecorderEvent::Kind::stopped);
      EXPECT_THAT(log.events[seen].reason,
                  testing::StartsWith("Recording stopped: Couldn't write “mic.pcm”: " +
                                      std::string(std::strerror(FaultyFileSystem::errorOf(kind)))));
    }
    const MeetingFolder folder = recorder->folder();
    EXPECT_EQ(readTrack(folder.micTrackPath()), std::vector<int16_t>(1600, 3));
    EXPECT_EQ(folder.readStatus().state, MeetingStatus::State::processing);
    EXPECT_FALSE(folder.isBusy());
  }
}

TEST_F(RecorderTest, StopBeforeTheFirstFlushKeepsEverythingDelivered) {
  auto recorder = start();
  source->deliver(Track::mic, std::vector<int16_t>(800, 5), 100.0);
  source->deliver(Track::system, std::vector<int16_t>(400, 6), 100.0);
  const MeetingFolder folder = recorder->stop();
  EXPECT_EQ(fs::file_size(folder.micTrackPath()), 1600u);
  EXPECT_EQ(fs::file_size(folder.systemTrackPath()), 800u);
  EXPECT_EQ(source->stops, 1);
}

TEST_F(RecorderTest, AFailedSourceStartLeavesNoFolderBehind) {
  source->failStart = true;
  EXPECT_THROW(start(), std::runtime_error);
  EXPECT_TRUE(store.list().empty());
  EXPECT_TRUE(fs::is_empty(store.root()));
}

TEST_F(RecorderTest, ALockHeldElsewhereFailsTheStartAndLeavesNoFolder) {
  createPrivateDirectories(store.root());
  // Another holder grabs each new folder the moment it appears (inotify reacts in
  // microseconds; the recorder first writes and fsyncs meeting.json before it locks).
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, store.root().c_str(), IN_CREATE | IN_ONLYDIR), 0);
  std::vector<MeetingLock> held;
  std::mutex heldMutex;
  std::atomic<bool> done{false};
  std::thread squatter([&] {
    alignas(inotify_event) char buffer[4096];
    while (!done) {
      pollfd ready{watch, POLLIN, 0};
      if (poll(&ready, 1, 20) <= 0) continue;
      const ssize_t n = read(watch, buffer, sizeof buffer);
      if (n <= 0) return;
      for (char* at = buffer; at < buffer + n;) {
        auto* event = reinterpret_cast<inotify_event*>(at);
        if (auto lock = MeetingLock::acquire(store.root() / event->name, 1)) {
          std::lock_guard guard(heldMutex);
          held.push_back(std::move(*lock));
        }
        at += sizeof(inotify_event) + event->len;
      }
    }
  });

  bool sawBusy = false;
  for (int attempt = 0; attempt < 5 && !sawBusy; ++attempt) {
    try {
      start()->stop();
    } catch (const MeetingError&) {
      sawBusy = true;
    }
  }
  done = true;
  squatter.join();
  close(watch);
  EXPECT_TRUE(sawBusy);
  // Only recordings that won the race remain, all of them finished.
  for (const auto& folder : store.list())
    EXPECT_EQ(folder.readStatus().state, MeetingStatus::State::processing);
  EXPECT_LT(store.list().size(), 5u);
}

TEST(CapturedAudio, RealSamplesAreClampedAndTruncated) {
  const std::vector<float> real{1.5f, -1.0f, 0.5f, -2.0f, 0.0f, -0.5f};
  const CapturedAudio audio(Track::mic, real, 3.0);
  EXPECT_THAT(audio.samples, testing::ElementsAre(32767, -32767, 16383, -32767, 0, -16383));
}

}  // namespace
}  // namespace kelv::core
