// The pipeline's steps, resumption and failure paths, with a scripted transcription backend
// and notes step. The real backends against fake services are exercised end to end in
// tests/tool.
#include "kelv/core/processing/processing.h"

#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "audio_files.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/library/meeting_error.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/processing/processing_queue.h"
#include "processing_fixture.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::readFile;
using kelv::test::TempDir;
using kelv::test::writeFile;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using State = MeetingStatus::State;
using Step = MeetingStatus::Step;

using Fixture = test::ProcessingFixture;
using test::kStart;
using test::ScriptedTranscription;

class ProcessingTest : public testing::Test, public Fixture {};

TEST_F(ProcessingTest, MicrophoneOnlyMeetingBecomesYouTurnsAndADoneMeetingFile) {
  writeSeconds("mic.pcm", 2);
  transcription->segments["mic"] = {{0, 1.5, "Hola", {}}, {5, 6, "adiós", {}}};

  const MeetingStatus status = Processing::run(folder, options);
  EXPECT_EQ(status.state, State::done);
  EXPECT_EQ(status.lastError, std::nullopt);
  EXPECT_THAT(status.completedSteps, ElementsAre(Step::transcribe, Step::merge, Step::notes));
  EXPECT_EQ(status.duration, 2.0);
  EXPECT_EQ(status.transcriptionBackend, "scripted:v1");
  EXPECT_EQ(status.notesBackend, std::nullopt);
  EXPECT_EQ(status, folder.readStatus());
  EXPECT_THAT(transcription->calls, ElementsAre("mic.pcm"));
  EXPECT_THAT(transcription->languages, ElementsAre("es"));
  EXPECT_EQ(transcription->unloads, 1);
  EXPECT_FALSE(fs::exists(folder.path() / "system.json"));
  EXPECT_FALSE(fs::exists(folder.path() / "mixed.json"));
  EXPECT_FALSE(fs::exists(folder.path() / "notes.json"));

  ASSERT_TRUE(status.meetingFile);
  EXPECT_EQ(fs::path(*status.meetingFile), temp / "notes" / "2025-03-14-0800-meeting.md");
  const std::string text = readFile(*status.meetingFile);
  EXPECT_EQ(text, MeetingFileWriter::markdown(
                      expectedContent({{0, "You", "Hola"}, {5, "You", "adiós"}}, 2)));
  EXPECT_EQ(status.meetingFileHash, MeetingFileWriter::hash(text));
  // The audio is kept, compressed.
  EXPECT_THAT(folder.trackFiles(Track::mic), ElementsAre(folder.path() / "mic.m4a"));
}

TEST_F(ProcessingTest, OnlyTheRawFileOfATrackIsTranscribedButEveryFileCountsForTheDuration) {
  writeSeconds("mic.pcm", 1);
  kelv::test::writeTone(folder.path() / "mic.m4a", 3, 16000, 1);
  options.keepAudio = false;
  const MeetingStatus status = Processing::run(folder, options);
  EXPECT_THAT(transcription->calls, ElementsAre("mic.pcm"));
  EXPECT_NEAR(*status.duration, 3.0, 0.1);
  EXPECT_THAT(folder.trackFiles(Track::mic), IsEmpty());
}

TEST_F(ProcessingTest, ResumesAfterTheLastTrackCheckpoint) {
  writeSeconds("mic.pcm", 1);
  writeSeconds("system.pcm", 1);
  folder.writeCheckpoint("mic", nlohmann::json(std::vector<TimedSegment>{{0, 1, "ya hecho", {}}}));
  transcription->segments["system"] = {{3, 4, "del sistema", {}}};

  const MeetingStatus status = Processing::run(folder, options);
  EXPECT_EQ(status.state, State::done);
  EXPECT_THAT(transcription->calls, ElementsAre("system.pcm"));
  EXPECT_EQ(transcription->unloads, 1);
  EXPECT_THAT(turnsFromJson(LibraryJson::readFile(folder.path() / "transcript.json")),
              ElementsAre(Turn{0, "You", "ya hecho"}, Turn{3, "Them", "del sistema"}));
}

TEST_F(ProcessingTest, FailuresOfStepsLeaveNeedsAttentionWithTheirText) {
  struct Case {
    std::string name;
    std::function<void(Fixture&)> arrange;
    std::string lastError;
  };
  const std::vector<Case> cases = {
      {"no tracks", [](Fixture&) {}, "This Meeting has no audio to transcribe."},
      {"undecodable track",
       [](Fixture& t) {
         writeFile(t.folder.path() / "mixed.mp3", "not audio at all");
         t.transcription->failing.clear();
       },
       ""},
      {"backend fails on the second track",
       [](Fixture& t) {
         t.writeSeconds("mic.pcm", 1);
         t.writeSeconds("system.pcm", 1);
         t.transcription->failing = {"system"};
       },
       "The service fell over."},
      {"notes folder is a file",
       [](Fixture& t) {
         t.writeSeconds("mic.pcm", 1);
         writeFile(t.temp / "notes", "in the way");
       },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture t;
    c.arrange(t);
    if (c.name == "undecodable track") {
      // A backend that reads the file reports it as unreadable audio.
      struct Reading : ScriptedTranscription {
        std::vector<TimedSegment> transcribe(const fs::path& track,
                                             const std::optional<std::string>&) const override {
          TrackAudio::samples(track);
          return {};
        }
      };
      t.options.transcription = std::make_shared<Reading>();
    }
    const MeetingStatus status = Processing::run(t.folder, t.options);
    EXPECT_EQ(status.state, State::needsAttention);
    ASSERT_TRUE(status.lastError);
    if (!c.lastError.empty()) {
      EXPECT_EQ(*status.lastError, c.lastError);
    }
    EXPECT_EQ(status, t.folder.readStatus());
    if (c.name == "undecodable track") {
      EXPECT_EQ(*status.lastError, "Couldn't read the audio file mixed.mp3.");
    }
    if (c.name == "backend fails on the second track") {
      EXPECT_TRUE(fs::exists(t.folder.path() / "mic.json"));
      EXPECT_EQ(t.transcription->unloads, 1);
      EXPECT_THAT(status.completedSteps, IsEmpty());
    }
    if (c.name == "notes folder is a file") {
      EXPECT_THAT(status.completedSteps, ElementsAre(Step::transcribe, Step::merge, Step::notes));
      EXPECT_EQ(status.meetingFile, std::nullopt);
      // The audio is left alone when the Meeting file couldn't be written.
      EXPECT_TRUE(fs::exists(t.folder.path() / "mic.pcm"));
    }
  }
}

TEST_F(ProcessingTest, NotesFailureStillWritesTheFileAndTheNextRunReplacesIt) {
  writeSeconds("mic.pcm", 1);
  transcription->segments["mic"] = {{0, 1, "Hola", {}}};
  withNotes([](const std::vector<Turn>&) -> Notes { throw std::runtime_error("Model asleep."); });

  MeetingStatus status = Processing::run(folder, options);
  EXPECT_EQ(status.state, State::needsAttention);
  EXPECT_EQ(status.lastError, "Needs attention: the Notes weren't written. Model asleep.");
  EXPECT_THAT(status.completedSteps, ElementsAre(Step::transcribe, Step::merge));
  ASSERT_TRUE(status.meetingFile);
  const fs::path first(*status.meetingFile);
  EXPECT_EQ(readFile(first), MeetingFileWriter::markdown(expectedContent({{0, "You", "Hola"}}, 1)));

  std::vector<Turn> seen;
  withNotes([&](const std::vector<Turn>& turns) {
    seen = turns;
    return Notes{"Derivadas", "## Resumen\nTodo.", std::vector<Turn>{{0, "You", "Hola, Ana"}}};
  });
  status = Processing::run(folder, options);
  EXPECT_EQ(status.state, State::done);
  EXPECT_EQ(status.lastError, std::nullopt);
  EXPECT_EQ(status.notesBackend, "model:x");
  EXPECT_THAT(seen, ElementsAre(Turn{0, "You", "Hola"}));
  EXPECT_THAT(transcription->calls, ElementsAre("mic.pcm"));  // not transcribed again
  EXPECT_FALSE(fs::exists(first));
  ASSERT_TRUE(status.meetingFile);
  EXPECT_EQ(fs::path(*status.meetingFile), temp / "notes" / "2025-03-14-0800-derivadas.md");
  auto content = expectedContent({{0, "You", "Hola, Ana"}}, 1);
  content.title = "Derivadas";
  content.notes = "## Resumen\nTodo.";
  EXPECT_EQ(readFile(*status.meetingFile), MeetingFileWriter::markdown(content));
  EXPECT_EQ(std::distance(fs::directory_iterator(temp / "notes"), fs::directory_iterator()), 1);
}

TEST_F(ProcessingTest, ReprocessingWritesBesideAnEditedFileAndOverAnUneditedOne) {
  writeSeconds("mic.pcm", 1);
  options.keepAudio = true;
  const fs::path file(*Processing::run(folder, options).meetingFile);

  // Unedited: replaced under the same name, however the notes folder is spelled.
  options.notesFolder = temp.path() / "notes" / "";
  Processing::prepareReprocess(folder);
  EXPECT_EQ(folder.readStatus().state, State::processing);
  EXPECT_THAT(folder.readStatus().completedSteps, IsEmpty());
  MeetingStatus status = Processing::run(folder, options);
  EXPECT_EQ(fs::path(*status.meetingFile).filename(), file.filename());
  EXPECT_EQ(std::distance(fs::directory_iterator(temp / "notes"), fs::directory_iterator()), 1);
  EXPECT_THAT(transcription->calls, ElementsAre("mic.pcm", "mic.m4a"));

  // Edited: left alone, the new file goes beside it.
  writeFile(file, readFile(file) + "\nMy own remark.\n");
  const std::string edited = readFile(file);
  Processing::prepareReprocess(folder);
  status = Processing::run(folder, options);
  EXPECT_EQ(readFile(file), edited);
  EXPECT_EQ(fs::path(*status.meetingFile), temp / "notes" / "2025-03-14-0800-meeting-2.md");
  EXPECT_EQ(status.meetingFileHash, MeetingFileWriter::hash(readFile(*status.meetingFile)));
}

TEST_F(ProcessingTest, MixedImportWithoutKnownLengthStatesSixtySeconds) {
  folder.writeStatus(MeetingStatus(State::processing, kStart, "es"));
  kelv::test::writeTone(folder.path() / "mixed.mp3", 1, 16000, 1);
  // A finished transcription whose duration was never measured.
  folder.writeCheckpoint("mixed", nlohmann::json(std::vector<TimedSegment>{
                                      {0, 1, "hola", "A"}, {1.5, 2, "qué tal", "B"}}));
  folder.updateStatus([](MeetingStatus& s) {
    s.completedSteps = {Step::transcribe};
    s.transcriptionBackend = "scripted:v1";
  });
  transcription->separates = true;

  const MeetingStatus status = Processing::run(folder, options);
  EXPECT_EQ(status.state, State::done);
  EXPECT_THAT(transcription->calls, IsEmpty());
  auto content = expectedContent({{0, "A", "hola"}, {1.5, "B", "qué tal"}}, 60);
  content.defaultSpeaker = "Speaker";
  EXPECT_EQ(readFile(*status.meetingFile), MeetingFileWriter::markdown(content));
  EXPECT_THAT(folder.trackFiles(Track::mixed), ElementsAre(folder.path() / "mixed.m4a"));
  EXPECT_EQ(kelv::test::probeAudio(folder.path() / "mixed.m4a"), "aac,16000,1");
}

TEST_F(ProcessingTest, LockedOrUnreadableFoldersFailTheRunAndChangeNothing) {
  writeSeconds("mic.pcm", 1);
  const std::string before = readFile(folder.statusPath());
  {
    const MeetingLock held = folder.lock();
    EXPECT_THROW(Processing::run(folder, options), MeetingError);
  }
  EXPECT_EQ(readFile(folder.statusPath()), before);
  writeFile(folder.statusPath(), "{}");
  EXPECT_ANY_THROW(Processing::run(folder, options));
  EXPECT_EQ(readFile(folder.statusPath()), "{}");
  EXPECT_THAT(transcription->calls, IsEmpty());
}

TEST_F(ProcessingTest, PrepareOperationsResetTheRightSteps) {
  Processing::prepareReprocess(folder);  // nothing to delete
  EXPECT_EQ(folder.readStatus().state, State::processing);

  for (const char* name : {"mic", "system", "mixed", "transcript", "notes"})
    writeFile(folder.path() / (std::string(name) + ".json"), "[]");
  folder.updateStatus([](MeetingStatus& s) {
    s.state = State::done;
    s.completedSteps = {Step::transcribe, Step::merge, Step::notes, Step::notes};
  });
  Processing::prepareNotes(folder);
  EXPECT_EQ(folder.readStatus().state, State::done);
  EXPECT_THAT(folder.readStatus().completedSteps, ElementsAre(Step::transcribe, Step::merge));
  EXPECT_FALSE(fs::exists(folder.path() / "notes.json"));
  EXPECT_TRUE(fs::exists(folder.path() / "transcript.json"));

  Processing::prepareReprocess(folder);
  EXPECT_EQ(folder.readStatus().state, State::processing);
  EXPECT_THAT(folder.readStatus().completedSteps, IsEmpty());
  for (const char* name : {"mic", "system", "mixed", "transcript"})
    EXPECT_FALSE(fs::exists(folder.path() / (std::string(name) + ".json"))) << name;
}

}  // namespace
}  // namespace kelv::core

namespace kelv::core {
namespace {

TEST_F(ProcessingTest, TheInProcessQueueRunsThePipelineWithFreshOptionsForEachMeeting) {
  writeSeconds("mic.pcm", 1);
  const MeetingFolder second(temp / "store" / "2025-03-14-090000-beef");
  createPrivateDirectories(second.path());
  second.writeStatus(MeetingStatus(State::done, kStart));
  kelv::test::writeRawTrack(second.micTrackPath(), std::vector<int16_t>(16000, 0));
  const MeetingFolder broken(temp / "store" / "2025-03-14-100000-dead");
  createPrivateDirectories(broken.path());
  broken.writeStatus(MeetingStatus(State::processing, kStart));

  int built = 0;
  ProcessingQueue queue(MeetingStore(temp / "store"), ProcessingQueue::OptionsMaker([&] {
                          if (++built == 3) throw std::runtime_error("settings unreadable");
                          return options;
                        }));
  queue.enqueue(folder);
  queue.enqueue(second);
  queue.enqueue(broken);
  queue.waitUntilIdle();
  EXPECT_EQ(built, 3);
  EXPECT_EQ(folder.readStatus().state, State::done);
  EXPECT_EQ(second.readStatus().state, State::done);
  EXPECT_TRUE(second.readStatus().meetingFile);
  // The options could not be built: the meeting waits in `processing`.
  EXPECT_EQ(broken.readStatus().state, State::processing);
}

}  // namespace
}  // namespace kelv::core
