#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/library/meeting_error.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::readFile;
using kelv::test::TempDir;
using kelv::test::writeFile;
using testing::ElementsAre;

Date at(int h, int m, int s = 0) {
  return std::chrono::sys_days{std::chrono::year{2025} / 3 / 14} + std::chrono::hours{h} +
         std::chrono::minutes{m} + std::chrono::seconds{s};
}

struct LibraryTest : testing::Test {
  LibraryTest() {
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LANG", "en_US.UTF-8", 1);
  }
  TempDir temp;
  MeetingStore store{temp / "Meetings"};
  fs::path notes = temp / "Notes";

  MeetingFolder meeting(MeetingStatus::State state, Date start) {
    MeetingFolder folder = store.create(start, std::nullopt);
    folder.updateStatus([&](MeetingStatus& status) { status.state = state; });
    return folder;
  }
  MeetingEntry entryFor(const MeetingFolder& folder) {
    for (auto& entry : store.entries(notes))
      if (entry.folder == folder) return entry;
    throw std::runtime_error("no entry");
  }
};

TEST_F(LibraryTest, ImportCopiesOneFileAsMixedAndTwoAsAPair) {
  writeFile(temp / "Clase.MP3", "mp3 bytes");
  writeFile(temp / "voz", "mic bytes");
  writeFile(temp / "sala.wav", "system bytes");

  const MeetingFolder single = store.importAudio({temp / "Clase.MP3"}, at(9, 15), "es");
  EXPECT_EQ(readFile(single.path() / "mixed.mp3"), "mp3 bytes");
  EXPECT_TRUE(single.isMixed());
  const MeetingStatus status = single.readStatus();
  EXPECT_EQ(status.state, MeetingStatus::State::processing);
  EXPECT_EQ(status.startedAt, at(9, 15));
  EXPECT_EQ(status.language, "es");
  struct stat info {};
  stat((single.path() / "mixed.mp3").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const MeetingFolder pair = store.importAudio({temp / "voz", temp / "sala.wav"}, std::nullopt, {});
  EXPECT_EQ(readFile(pair.path() / "mic.audio"), "mic bytes");
  EXPECT_EQ(readFile(pair.path() / "system.wav"), "system bytes");
  EXPECT_FALSE(pair.isMixed());
  // Without a given start, the first file's creation time (just now) is used.
  EXPECT_LT(std::chrono::system_clock::now() - pair.readStatus().startedAt,
            std::chrono::minutes(1));
}

TEST_F(LibraryTest, ImportRefusesZeroOrThreeFilesAndLeavesNothingOfAFailedImport) {
  writeFile(temp / "a.wav", "");
  EXPECT_THROW(store.importAudio({}, std::nullopt, {}), AudioError);
  EXPECT_THROW(store.importAudio({temp / "a.wav", temp / "a.wav", temp / "a.wav"}, {}, {}),
               AudioError);
  EXPECT_TRUE(store.list().empty());

  // The second file fails after the first was copied: the folder goes with it.
  EXPECT_THROW(store.importAudio({temp / "a.wav", temp / "missing.wav"}, at(8, 0), {}),
               PlatformError);
  EXPECT_THROW(store.importAudio({temp / "a.wav", "/proc/self/mem"}, at(8, 0), {}), PlatformError);
  EXPECT_TRUE(store.list().empty());
}

TEST_F(LibraryTest, RecoveryTrimsHalfSamplesAndSkipsFoldersBeingRecorded) {
  const MeetingFolder crashed = store.create(at(14, 5), std::nullopt);
  writeFile(crashed.micTrackPath(), std::string(160000, '\0'));
  writeFile(crashed.systemTrackPath(), std::string(32001, '\0'));
  const MeetingFolder recording = store.create(at(15, 0), std::nullopt);
  const MeetingLock held = recording.lock();
  const MeetingFolder done = meeting(MeetingStatus::State::done, at(16, 0));
  fs::create_directories(store.root() / "broken");
  writeFile(store.root() / "broken" / "meeting.json", "{");

  const auto recovered = store.recoverInterruptedMeetings();
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].folder, crashed);
  EXPECT_DOUBLE_EQ(recovered[0].duration, 5.0);
  EXPECT_EQ(recovered[0].message(), "Recovered your 2:05\u202fPM meeting, 5s");
  EXPECT_EQ(fs::file_size(crashed.systemTrackPath()), 32000u);

  const MeetingStatus status = crashed.readStatus();
  EXPECT_EQ(status.state, MeetingStatus::State::processing);
  EXPECT_TRUE(status.interrupted);
  EXPECT_EQ(status.endedAt, at(14, 5, 5));
  EXPECT_EQ(recording.readStatus().state, MeetingStatus::State::recording);
  EXPECT_EQ(done.readStatus().state, MeetingStatus::State::done);
  EXPECT_TRUE(MeetingStore(temp / "nowhere").recoverInterruptedMeetings().empty());
}

TEST_F(LibraryTest, EntriesJoinFoldersAndLooseMeetingFilesNewestFirst) {
  fs::create_directories(notes);
  const MeetingFolder old = meeting(MeetingStatus::State::done, at(8, 0));
  const MeetingFolder failed = meeting(MeetingStatus::State::needsAttention, at(10, 0));
  const MeetingFolder repaired = meeting(MeetingStatus::State::done, at(9, 0));
  repaired.updateStatus([](MeetingStatus& s) {
    s.interrupted = true;
    s.duration = 90;
    s.title = "Álgebra";
  });
  // The folder's Meeting file is reached through a link in the notes folder: shown once.
  writeFile(temp / "real.md",
            "---\nschema: kelvora/v1\ntitle: \"From the file\"\n---\n\n# From the file\n");
  fs::create_symlink(temp / "real.md", notes / "linked.md");
  old.updateStatus([&](MeetingStatus& s) { s.meetingFile = (notes / "linked.md").string(); });
  writeFile(
      notes / "2025-03-14-1200-loose.md",
      "---\nschema: kelvora/v1\ntitle: \"Loose\"\ndate: 2025-03-14T12:00:00Z\nduration: 3\n---\n");
  writeFile(notes / "2025-03-14-0700-untitled.md", "# nothing\n");
  fs::last_write_time(notes / "2025-03-14-0700-untitled.md",
                      std::chrono::file_clock::from_sys(at(7, 30)));
  writeFile(notes / "notes.txt", "");
  writeFile(notes / "random.md", "just text");

  const auto entries = store.entries(notes);
  std::vector<std::string> titles;
  for (const auto& entry : entries) titles.push_back(entry.title);
  EXPECT_THAT(titles, ElementsAre("Loose", MeetingFileWriter::displayTitle({}, at(10, 0)),
                                  "Álgebra", "From the file", "2025-03-14-0700-untitled"));
  EXPECT_EQ(entries[0].id, (notes / "2025-03-14-1200-loose.md").string());
  EXPECT_EQ(entries[0].minutes(), 3);
  EXPECT_FALSE(entries[0].folder);
  EXPECT_EQ(entries[1].state, MeetingEntry::State::needsAttention);
  EXPECT_EQ(entries[1].message, "Needs attention: Processing didn't finish.");
  EXPECT_EQ(entries[2].state, MeetingEntry::State::interrupted);
  EXPECT_EQ(entries[2].minutes(), 2);
  EXPECT_EQ(entries[3].meetingFile, notes / "linked.md");
  EXPECT_EQ(entries[4].date, at(7, 30));  // no date in the header: the file's modification
}

TEST(MeetingEntry, MinutesRoundHalfAwayFromZeroAndAreAtLeastOne) {
  MeetingEntry entry;
  EXPECT_FALSE(entry.minutes());
  for (auto [seconds, minutes] : {std::pair{20.0, 1LL}, {90.0, 2LL}, {149.0, 2LL}, {0.0, 1LL}}) {
    entry.duration = seconds;
    EXPECT_EQ(entry.minutes(), minutes) << seconds;
  }
}

TEST_F(LibraryTest, RenameRewritesFrontMatterHeadingAndDatePrefixedName) {
  fs::create_directories(notes);
  const MeetingFolder folder = meeting(MeetingStatus::State::done, at(9, 15));
  const fs::path file = notes / "2025-03-14-0915-old-title.md";
  const std::string original =
      "---\nschema: kelvora/v1\ntitle: \"Old title\"\ndate: 2025-03-14T09:15:00Z\n---\n\n# Old "
      "title\n\nBody\n# Old title\n";
  writeFile(file, original);
  folder.updateStatus([&](MeetingStatus& s) {
    s.meetingFile = file.string();
    s.meetingFileHash = MeetingFileWriter::hash(original);
  });

  store.rename(entryFor(folder), "  Repaso \"final\" de Álgebra\n");
  const fs::path renamed = notes / "2025-03-14-0915-repaso-final-de-lgebra.md";
  EXPECT_FALSE(fs::exists(file));
  const std::string text = readFile(renamed);
  EXPECT_EQ(text,
            "---\nschema: kelvora/v1\ntitle: \"Repaso \\\"final\\\" de Álgebra\"\ndate: "
            "2025-03-14T09:15:00Z\n---\n\n"
            "# Repaso \"final\" de Álgebra\n\nBody\n# Old title\n");
  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.title, "Repaso \"final\" de Álgebra");
  EXPECT_EQ(status.meetingFile, renamed.string());
  EXPECT_EQ(status.meetingFileHash, MeetingFileWriter::hash(text));

  // Blanks only: nothing changes.
  store.rename(entryFor(folder), " \n\t");
  EXPECT_EQ(readFile(renamed), text);
}

TEST_F(LibraryTest, RenameKeepsTheStaleHashOfAnEditedFile) {
  fs::create_directories(notes);
  const MeetingFolder folder = meeting(MeetingStatus::State::done, at(9, 15));
  const fs::path file = notes / "my notes.md";
  writeFile(file, "---\nschema: kelvora/v1\n---\n# Mine\n");
  folder.updateStatus([&](MeetingStatus& s) {
    s.meetingFile = file.string();
    s.meetingFileHash = "0000";
  });
  store.rename(entryFor(folder), "Física");
  const MeetingStatus status = folder.readStatus();
  EXPECT_EQ(status.meetingFileHash, "0000");
  EXPECT_EQ(status.meetingFile, (notes / "2025-03-14-0915-fsica.md").string());
  EXPECT_EQ(readFile(notes / "2025-03-14-0915-fsica.md"),
            "---\nschema: kelvora/v1\n---\n# Física\n");
}

TEST_F(LibraryTest, RenameAndDeleteOfABusyMeetingChangeNothing) {
  const MeetingFolder folder = meeting(MeetingStatus::State::done, at(9, 15));
  const MeetingEntry entry = entryFor(folder);
  const MeetingLock held = folder.lock();
  EXPECT_THROW(store.rename(entry, "New"), MeetingError);
  EXPECT_THROW(store.remove(entry), MeetingError);
  EXPECT_TRUE(fs::exists(folder.path()));
  EXPECT_FALSE(folder.readStatus().title);
}

TEST_F(LibraryTest, DeleteRemovesFileAndFolder) {
  fs::create_directories(notes);
  const MeetingFolder folder = meeting(MeetingStatus::State::done, at(9, 15));
  writeFile(notes / "a.md", "---\nschema: kelvora/v1\n---\n# A\n");
  folder.updateStatus([&](MeetingStatus& s) { s.meetingFile = (notes / "a.md").string(); });
  store.remove(entryFor(folder));
  EXPECT_FALSE(fs::exists(folder.path()));
  EXPECT_FALSE(fs::exists(notes / "a.md"));

  writeFile(notes / "2025-03-14-0915-loose.md", "# Loose\n");
  const auto entries = store.entries(notes);
  ASSERT_EQ(entries.size(), 1u);
  store.remove(entries[0]);
  EXPECT_TRUE(fs::is_empty(notes));

  MeetingEntry gone;
  gone.folder = MeetingFolder(store.root() / "gone");
  try {
    store.remove(gone);
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_TRUE(error.isNotFound());
  }
}

}  // namespace
}  // namespace kelv::core
