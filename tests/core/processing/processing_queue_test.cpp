#include "kelv/core/processing/processing_queue.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/library/meeting_lock.h"
#include "kelv/core/library/meeting_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::TempDir;
using testing::ElementsAre;
using testing::IsEmpty;
using State = MeetingStatus::State;

// Records what the queue hands over; while closed, the runner waits inside its first call so
// the test can act while a folder is `current`.
class RecordingRunner {
 public:
  explicit RecordingRunner(bool closed = false) : closed_(closed) {}

  ProcessingQueue::Runner runner() {
    return [this](const MeetingFolder& folder) {
      std::unique_lock lock(mutex_);
      ++running_;
      maxRunning_ = std::max(maxRunning_, running_);
      started_.push_back(folder.id());
      changed_.notify_all();
      changed_.wait(lock, [&] { return !closed_; });
      niceness_.push_back(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))));
      ioClasses_.push_back(static_cast<int>(syscall(SYS_ioprio_get, 1, 0) >> 13));
      finished_.push_back(folder.id());
      --running_;
      if (throws_) throw std::runtime_error("runner failed");
    };
  }

  void waitForStart(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return started_.size() >= count; });
  }
  void open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    changed_.notify_all();
  }
  void setThrows() { throws_ = true; }

  std::vector<std::string> finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
  }
  int maxRunning() const { return maxRunning_; }
  std::vector<int> niceness() const {
    std::lock_guard lock(mutex_);
    return niceness_;
  }
  std::vector<int> ioClasses() const {
    std::lock_guard lock(mutex_);
    return ioClasses_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_;
  bool throws_ = false;
  int running_ = 0;
  int maxRunning_ = 0;
  std::vector<std::string> started_;
  std::vector<std::string> finished_;
  std::vector<int> niceness_;
  std::vector<int> ioClasses_;
};

class ProcessingQueueTest : public testing::Test {
 protected:
  MeetingFolder make(const std::string& id, State state) {
    MeetingFolder folder(temp / id);
    createPrivateDirectories(folder.path());
    folder.writeStatus(MeetingStatus(state, std::chrono::system_clock::now()));
    return folder;
  }

  TempDir temp;
  MeetingStore store{temp.path()};
};

TEST_F(ProcessingQueueTest, HandsFoldersOverInOrderOneAtATime) {
  RecordingRunner runner;
  ProcessingQueue queue(store, runner.runner());
  for (const char* id : {"c", "a", "b"}) queue.enqueue(make(id, State::done));
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("c", "a", "b"));
  EXPECT_EQ(runner.maxRunning(), 1);
  EXPECT_EQ(MeetingFolder(temp / "a").readStatus().state, State::processing);
  // The worker runs at the lowest priority.
  EXPECT_THAT(runner.niceness(), testing::Each(19));
  EXPECT_THAT(runner.ioClasses(), testing::Each(3));  // idle
}

TEST_F(ProcessingQueueTest, DuplicateRequestsWhileWaitingOrRunningAreIgnored) {
  RecordingRunner runner(/*closed=*/true);
  ProcessingQueue queue(store, runner.runner());
  const MeetingFolder a = make("a", State::processing);
  const MeetingFolder b = make("b", State::processing);
  queue.enqueue(a);
  runner.waitForStart(1);
  EXPECT_EQ(queue.current(), "a");
  queue.enqueue(a);  // being processed right now
  queue.enqueue(b);
  queue.enqueue(b);  // already waiting
  EXPECT_THAT(queue.pending(), ElementsAre("b"));
  runner.open();
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("a", "b"));
  EXPECT_THAT(queue.pending(), IsEmpty());
  EXPECT_EQ(queue.current(), std::nullopt);
}

TEST_F(ProcessingQueueTest, FoldersThatAreNotReadyAtTheirTurnArePassedOver) {
  RecordingRunner runner(/*closed=*/true);
  ProcessingQueue queue(store, runner.runner());
  queue.enqueue(make("first", State::processing));
  runner.waitForStart(1);

  const MeetingFolder locked = make("locked", State::recording);
  const auto lock = MeetingLock::acquire(locked.path(), 1);
  ASSERT_TRUE(lock);
  queue.enqueue(locked);
  const MeetingFolder deleted = make("deleted", State::processing);
  queue.enqueue(deleted);
  fs::remove_all(deleted.path());
  const MeetingFolder finished = make("finished", State::processing);
  queue.enqueue(finished);
  finished.updateStatus([](MeetingStatus& status) { status.state = State::done; });
  const MeetingFolder garbled = make("garbled", State::processing);
  queue.enqueue(garbled);
  kelv::test::writeFile(garbled.statusPath(), "{");
  queue.enqueue(make("last", State::processing));

  runner.open();
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("first", "last"));
  // The locked folder waits in `processing` for a later resume.
  EXPECT_EQ(locked.readStatus().state, State::processing);
}

TEST_F(ProcessingQueueTest, EnqueueOfAnUnreadableFolderFailsAndQueuesNothing) {
  RecordingRunner runner;
  ProcessingQueue queue(store, runner.runner());
  const MeetingFolder garbled = make("garbled", State::done);
  kelv::test::writeFile(garbled.statusPath(), "not json");
  EXPECT_ANY_THROW(queue.enqueue(garbled));
  EXPECT_ANY_THROW(queue.enqueue(MeetingFolder(temp / "missing")));
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), IsEmpty());
  EXPECT_EQ(kelv::test::readFile(garbled.statusPath()), "not json");
}

TEST_F(ProcessingQueueTest, ResumePendingQueuesOnlyMeetingsInProcessing) {
  make("2025-01-01-a", State::recording);
  make("2025-01-02-b", State::processing);
  make("2025-01-03-c", State::done);
  make("2025-01-04-d", State::needsAttention);
  make("2025-01-05-e", State::processing);
  kelv::test::writeFile(make("2025-01-06-f", State::processing).statusPath(), "[]");
  const std::string before = kelv::test::readFile(temp / "2025-01-02-b" / "meeting.json");

  RecordingRunner runner;
  ProcessingQueue queue(store, runner.runner());
  queue.resumePending();
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("2025-01-02-b", "2025-01-05-e"));
  EXPECT_EQ(kelv::test::readFile(temp / "2025-01-02-b" / "meeting.json"), before);
}

TEST_F(ProcessingQueueTest, AFailingRunnerDoesNotStopTheDrain) {
  RecordingRunner runner;
  runner.setThrows();
  ProcessingQueue queue(store, runner.runner());
  queue.waitUntilIdle();  // idle: returns at once
  queue.enqueue(make("a", State::done));
  queue.enqueue(make("b", State::done));
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("a", "b"));
  // A new drain starts after the last one ended.
  queue.enqueue(make("c", State::done));
  queue.waitUntilIdle();
  EXPECT_THAT(runner.finished(), ElementsAre("a", "b", "c"));
}

}  // namespace
}  // namespace kelv::core
