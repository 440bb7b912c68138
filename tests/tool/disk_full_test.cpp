// The tool on a full disk and with inputs that aren't audio: clear messages, failing exit
// statuses, and no half-made meeting left behind.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/library/meeting_store.h"
#include "small_disk.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::runTool;
using kelv::test::SmallDisk;
using kelv::test::TempDir;
using testing::HasSubstr;

struct DiskFull : testing::Test {
  TempDir temp;
  fs::path store = temp / "Meetings";
  std::map<std::string, std::string> environment{{"KELV_MEETINGS_DIR", store.string()},
                                                 {"HOME", temp.path().string()},
                                                 {"XDG_CONFIG_HOME", (temp / "config").string()},
                                                 {"KELV_FAKE_CAPTURE", "1"}};
};

TEST_F(DiskFull, AFailedImportSaysWhyAndLeavesNoMeeting) {
  SmallDisk disk(store, 256 * 1024);
  kelv::test::writeFile(temp / "big.wav", std::string(1024 * 1024, 'a'));
  fs::create_directories(temp / "folder.wav");
  ASSERT_EQ(::mkfifo((temp / "pipe.wav").c_str(), 0600), 0);
  struct Case {
    std::string name;
    fs::path file;
    std::string message;
    bool needsSmallDisk = false;
  } cases[] = {
      {"missing", temp / "missing.wav", "Couldn't open “missing.wav”: No such file or directory."},
      {"folder", temp / "folder.wav", "“folder.wav” is not an audio file."},
      {"FIFO", temp / "pipe.wav", "“pipe.wav” is not an audio file."},
      // Reading a process's memory from its start fails: a file that opens but can't be read.
      {"unreadable", "/proc/self/mem", "Couldn't copy “mem”: Input/output error."},
      {"disk full", temp / "big.wav", "Couldn't copy “big.wav”: No space left on device.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsSmallDisk && !disk.available()) {
      std::cerr << "skipping the full disk: " << disk.problem() << "\n";
      continue;
    }
    const auto result = runTool({{"import", c.file.string()}, environment});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr(c.message));
    EXPECT_TRUE(core::MeetingStore(store).list().empty());
  }
}

TEST_F(DiskFull, ARecordingStoppedByAFullDiskExitsWithFailure) {
  // Big enough to start (1 GB free is needed), then shrunk to what it holds.
  SmallDisk disk(store, 1100ull * 1024 * 1024);
  if (!disk.available()) GTEST_SKIP() << disk.problem();
  kelv::test::ToolResult result;
  std::thread recording([&] { result = runTool({{"record", "--duration", "30"}, environment}); });
  // Until the first flush has put audio on disk.
  bool flushed = false;
  for (int i = 0; i < 200 && !flushed; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const auto& folder : core::MeetingStore(store).list())
      flushed = flushed ||
                (fs::exists(folder.micTrackPath()) && fs::file_size(folder.micTrackPath()) > 0);
  }
  disk.shrinkToUsed();
  recording.join();
  ASSERT_TRUE(flushed);
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_THAT(result.err, HasSubstr("Recording stopped: "));
  const auto meetings = core::MeetingStore(store).list();
  ASSERT_EQ(meetings.size(), 1u);
  EXPECT_EQ(result.out, meetings[0].id() + "\n");
}

TEST_F(DiskFull, ProcessingOnAFullStoreFailsWithTheDiskMessage) {
  SmallDisk disk(store, 512 * 1024);
  if (!disk.available()) GTEST_SKIP() << disk.problem();
  const core::MeetingStore meetings(store);
  const core::MeetingFolder folder = meetings.create(std::chrono::system_clock::now(), "es");
  folder.updateStatus(
      [](core::MeetingStatus& s) { s.state = core::MeetingStatus::State::processing; });
  kelv::test::writeFile(folder.micTrackPath(), std::string(32000, '\0'));
  const std::string before = kelv::test::readFile(folder.statusPath());
  disk.fill();

  const auto result = runTool({{"process", folder.id()}, environment});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.err, HasSubstr("No space left on device"));
  EXPECT_EQ(kelv::test::readFile(folder.statusPath()), before);
}

}  // namespace
}  // namespace kelv::tool
