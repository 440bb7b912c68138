#include "kelv/core/library/meeting_folder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/library/meeting_error.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::TempDir;
using kelv::test::writeFile;
using testing::ElementsAre;

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

TEST(MeetingStore, CreateMakesAPrivateDatedFolderInStateRecording) {
  TempDir temp;
  MeetingStore store(temp / "missing" / "root");
  EXPECT_TRUE(store.list().empty());

  setenv("TZ", "UTC", 1);
  tzset();
  const Date start = std::chrono::sys_days{std::chrono::year{2025} / 3 / 4} +
                     std::chrono::hours{9} + std::chrono::minutes{5} + std::chrono::seconds{2};
  const MeetingFolder folder = store.create(start, "es");
  EXPECT_THAT(folder.id(), testing::MatchesRegex("2025-03-04-090502-[0-9a-f]{4}"));
  EXPECT_EQ(modeOf(store.root()), 0700u);
  EXPECT_EQ(modeOf(folder.path()), 0700u);
  EXPECT_EQ(modeOf(folder.statusPath()), 0600u);

  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status, MeetingStatus(MeetingStatus::State::recording, start, "es"));
}

TEST(MeetingStore, SameSecondNeverSharesAFolder) {
  TempDir temp;
  MeetingStore store(temp.path());
  const Date start = std::chrono::system_clock::now();
  std::set<std::string> ids;
  // 65536 tags exist; 300 draws collide with high probability without the retry.
  for (int i = 0; i < 300; ++i) ids.insert(store.create(start, std::nullopt).id());
  EXPECT_EQ(ids.size(), 300u);
  EXPECT_EQ(store.list().size(), 300u);
}

TEST(MeetingStore, ListKeepsOnlyMeetingsSortedByName) {
  TempDir temp;
  MeetingStore store(temp.path());
  for (const char* name : {"2025-03-04-090502-bbbb", "2024-12-31-235959-aaaa",
                           "2025-03-04-090502-aaaa", "no-status"}) {
    fs::create_directory(temp / name);
    if (std::string(name) != "no-status") writeFile(temp / name / "meeting.json", "garbage");
  }
  writeFile(temp / "stray.txt", "");
  std::vector<std::string> ids;
  for (const auto& folder : store.list()) ids.push_back(folder.id());
  EXPECT_THAT(ids, ElementsAre("2024-12-31-235959-aaaa", "2025-03-04-090502-aaaa",
                               "2025-03-04-090502-bbbb"));
}

TEST(MeetingStore, FolderByIdRefusesAnythingButAPlainName) {
  TempDir temp;
  MeetingStore store(temp / "root");
  const MeetingFolder made = store.create(std::chrono::system_clock::now(), std::nullopt);
  writeFile(temp / "meeting.json", "{}");  // a status file just outside the root
  fs::create_directories(temp / "root" / "empty");

  EXPECT_EQ(store.folder(made.id()), made);
  for (const char* id : {"", ".", "..", "../root", "a/b", "empty", "nope"})
    EXPECT_FALSE(store.folder(id)) << id;
}

TEST(MeetingFolder, TrackFilesPutRawTracksFirstAndSkipCheckpoints) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  for (const char* name : {"mic.m4a", "mic", "mic.json", "mic.pcm", "mic.tar.gz", "micro.pcm",
                           "system.wav", ".mic", "mixed.json"})
    writeFile(temp / name, "");

  const auto files = folder.trackFiles(Track::mic);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].filename(), "mic.pcm");
  std::set<std::string> rest{files[1].filename(), files[2].filename()};
  EXPECT_EQ(rest, (std::set<std::string>{"mic", "mic.m4a"}));
  EXPECT_THAT(folder.trackFiles(Track::system), ElementsAre(temp / "system.wav"));
  EXPECT_TRUE(folder.trackFiles(Track::mixed).empty());
  EXPECT_TRUE(MeetingFolder(temp / "missing").trackFiles(Track::mic).empty());

  // Every track from one listing, in track order.
  const auto all = folder.audioFiles();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(std::vector(all.begin(), all.begin() + 3), files);
  EXPECT_EQ(all[3], temp / "system.wav");
  EXPECT_TRUE(MeetingFolder(temp / "missing").audioFiles().empty());
}

TEST(MeetingFolder, IsMixedWithAudioOrWithOnlyTheCheckpointLeft) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  EXPECT_FALSE(folder.isMixed());
  writeFile(temp / "mixed.json", "[]");
  EXPECT_TRUE(folder.isMixed());
  fs::remove(temp / "mixed.json");
  writeFile(temp / "mixed.mp3", "");
  EXPECT_TRUE(folder.isMixed());
}

TEST(MeetingFolder, UpdateStatusWritesNothingWhenTheReadFails) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  writeFile(folder.statusPath(), R"({"state":"needsAttention"})");
  bool changed = false;
  EXPECT_THROW(folder.updateStatus([&](MeetingStatus&) { changed = true; }),
               LibraryJson::DecodingError);
  EXPECT_FALSE(changed);
  EXPECT_EQ(kelv::test::readFile(folder.statusPath()), R"({"state":"needsAttention"})");
  EXPECT_THROW(MeetingFolder(temp / "gone").readStatus(), PlatformError);
}

TEST(MeetingFolder, ReaderNeverSeesAPartialRecord) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  MeetingStatus shortRecord(MeetingStatus::State::recording, std::chrono::system_clock::now());
  MeetingStatus longRecord = shortRecord;
  longRecord.lastError = std::string(20000, 'x');
  folder.writeStatus(shortRecord);

  std::atomic<bool> done{false};
  std::atomic<int> failures{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      try {
        folder.readStatus();
        ++reads;
      } catch (...) {
        ++failures;
      }
    }
  });
  for (int i = 0; i < 300; ++i) folder.writeStatus(i % 2 ? shortRecord : longRecord);
  done = true;
  reader.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(reads, 0);
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 1);
}

TEST(MeetingLock, ExcludesASecondHolderInTheSameProcess) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  EXPECT_FALSE(folder.isBusy());
  {
    MeetingLock held = folder.lock();
    EXPECT_TRUE(folder.isBusy());

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(MeetingLock::acquire(temp.path(), 1));
    const auto oneTry = std::chrono::steady_clock::now() - before;
    EXPECT_LT(oneTry, std::chrono::milliseconds(15));  // one attempt never sleeps

    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(folder.lock(), MeetingError);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(180));
  }
  EXPECT_FALSE(folder.isBusy());
  EXPECT_NO_THROW(folder.lock());
}

TEST(MeetingLock, MissingFolderIsNotFoundRatherThanBusy) {
  TempDir temp;
  MeetingFolder folder(temp / "missing");
  EXPECT_FALSE(folder.isBusy());
  try {
    folder.lock();
    FAIL() << "locked a missing folder";
  } catch (const PlatformError& error) {
    EXPECT_TRUE(error.isNotFound());
  }
  writeFile(temp / "file", "");
  EXPECT_FALSE(MeetingLock::acquire(temp / "file", 3));
}

TEST(MeetingLock, ExcludesAnotherProcessUntilItExits) {
  TempDir temp;
  MeetingFolder folder(temp.path());
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(release[1]);
    close(ready[0]);
    auto lock = MeetingLock::acquire(temp.path(), 1);
    char byte = lock ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(release[0], &byte, 1);  // returns when the parent closes its end
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  EXPECT_TRUE(folder.isBusy());
  EXPECT_THROW(folder.lock(), MeetingError);
  close(release[1]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_FALSE(folder.isBusy());
  close(ready[0]);
}

}  // namespace
}  // namespace kelv::core
