// A run on a failing disk: every write, fsync and rename of a run fails in turn. The run must
// say so, the meeting's status record must still be readable, and a later run on a sound disk
// must resume and leave the very Meeting file a run that never failed leaves.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "faulty_file_system.h"
#include "kelv/core/processing/processing.h"
#include "processing_fixture.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using test::FaultyFileSystem;
using State = MeetingStatus::State;

struct Scenario {
  std::string name;
  bool notes;
  bool keepAudio;
  bool reprocess;  // processed once already, so the Meeting file is replaced
};

const std::vector<Scenario> kScenarios{
    {"notes and kept audio", true, true, false},
    {"no notes, audio deleted", false, false, false},
    {"reprocessing replaces the Meeting file", true, true, true},
};

struct Outcome {
  std::string meetingFileName;
  std::string meetingFileText;
};

// One meeting with both tracks, ready for its run.
struct Meeting : test::ProcessingFixture {
  explicit Meeting(const Scenario& scenario) {
    writeSeconds("mic.pcm", 0.5);
    writeSeconds("system.pcm", 0.5);
    transcription->segments["mic"] = {{0, 0.2, "Buenos días", {}}};
    transcription->segments["system"] = {{0.3, 0.4, "Hola a todos", {}}};
    options.keepAudio = scenario.keepAudio;
    if (scenario.notes)
      withNotes([](const std::vector<Turn>&) { return Notes{"Límites", "## Resumen\nTodo.", {}}; });
    // A sound disk whose flushes cost nothing.
    options.fileSystem = std::make_shared<FaultyFileSystem>();
    if (scenario.reprocess) {
      if (Processing::run(folder, options).state != State::done)
        throw std::runtime_error("the first run failed");
      Processing::prepareReprocess(folder);
    }
  }

  // Files a failed write may have left behind: temporaries and cut-off compressions.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> found;
    for (const fs::path& place : {folder.path(), temp / "notes"}) {
      if (!fs::exists(place)) continue;
      for (const auto& entry : fs::directory_iterator(place)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos || name.ends_with(".partial"))
          found.push_back(name);
      }
    }
    return found;
  }

  Outcome outcome() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(temp / "notes")) files.push_back(entry.path());
    if (files.size() != 1) return {std::to_string(files.size()) + " Meeting files", ""};
    return {files[0].filename().string(), test::readFile(files[0])};
  }
};

TEST(ProcessingFaults, EachFailedWriteSyncOrRenameIsReportedAndTheNextRunFinishesTheMeeting) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    // A clean run through a counting file system: the steps there are to fail, and the result.
    const auto counter = std::make_shared<FaultyFileSystem>();
    Outcome clean;
    {
      Meeting meeting(scenario);
      meeting.options.fileSystem = counter;
      ASSERT_EQ(Processing::run(meeting.folder, meeting.options).state, State::done);
      clean = meeting.outcome();
      ASSERT_FALSE(clean.meetingFileText.empty());
    }

    for (const FaultyFileSystem::Call kind : FaultyFileSystem::kCalls) {
      ASSERT_GT(counter->count(kind), 0);
      for (int index = 0; index < counter->count(kind); ++index) {
        SCOPED_TRACE(FaultyFileSystem::nameOf(kind) + " #" + std::to_string(index));
        Meeting meeting(scenario);
        const auto faulty = std::make_shared<FaultyFileSystem>();
        faulty->failAt(kind, index);
        meeting.options.fileSystem = faulty;

        const std::string cause = std::strerror(FaultyFileSystem::errorOf(kind));
        try {
          const MeetingStatus status = Processing::run(meeting.folder, meeting.options);
          EXPECT_EQ(status.state, State::needsAttention);
          ASSERT_TRUE(status.lastError);
          EXPECT_NE(status.lastError->find(cause), std::string::npos) << *status.lastError;
        } catch (const std::exception& error) {
          // Only a status record that couldn't be written ends a run with an exception.
          EXPECT_NE(std::string(error.what()).find(cause), std::string::npos) << error.what();
        }
        EXPECT_TRUE(faulty->failed());
        EXPECT_EQ(meeting.leftovers(), std::vector<std::string>{});

        MeetingStatus stored(State::done, test::kStart);
        ASSERT_NO_THROW(stored = meeting.folder.readStatus());
        EXPECT_NE(stored.state, State::done);

        meeting.options.fileSystem = std::make_shared<FaultyFileSystem>();
        const MeetingStatus resumed = Processing::run(meeting.folder, meeting.options);
        EXPECT_EQ(resumed.state, State::done) << resumed.lastError.value_or("");
        const Outcome result = meeting.outcome();
        EXPECT_EQ(result.meetingFileName, clean.meetingFileName);
        EXPECT_EQ(result.meetingFileText, clean.meetingFileText);
        EXPECT_EQ(meeting.folder.trackFiles(Track::mic).size(), scenario.keepAudio ? 1u : 0u);
      }
    }
  }
}

// A crash right after the raw track is deleted must find its compressed copy whole.
TEST(ProcessingFaults, TheRawTrackGoesOnlyOnceItsCompressedCopyIsOnDisk) {
  Meeting meeting(kScenarios[0]);
  const auto files = std::make_shared<FaultyFileSystem>();
  meeting.options.fileSystem = files;
  ASSERT_EQ(Processing::run(meeting.folder, meeting.options).state, State::done);

  const std::vector<std::string> journal = files->journal();
  const auto at = [&](const std::string& call) {
    return std::find(journal.begin(), journal.end(), call) - journal.begin();
  };
  for (const std::string track : {"mic", "system"}) {
    SCOPED_TRACE(track);
    const auto removed = at("remove " + track + ".pcm");
    const auto renamed = at("rename " + track + ".m4a.partial " + track + ".m4a");
    ASSERT_LT(removed, static_cast<ptrdiff_t>(journal.size()));
    EXPECT_LT(at("sync " + track + ".m4a.partial"), renamed);
    ASSERT_LT(renamed, removed);
    const auto folderSynced = std::find(journal.begin() + renamed, journal.begin() + removed,
                                        "syncFolder " + meeting.folder.id());
    EXPECT_NE(folderSynced, journal.begin() + removed);
  }
}

}  // namespace
}  // namespace kelv::core
