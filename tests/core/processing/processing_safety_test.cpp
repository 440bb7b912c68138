// What the pipeline must never do whatever the folder holds: lose a recording whose transcript
// isn't on disk, act on a stored Meeting file path that leads somewhere else, or leave kept
// audio readable by others.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/processing/processing.h"
#include "processing_fixture.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::readFile;
using kelv::test::writeFile;
using testing::ElementsAre;
using testing::IsEmpty;
using Fixture = test::ProcessingFixture;
using State = MeetingStatus::State;
using Step = MeetingStatus::Step;

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

class Umask {
 public:
  explicit Umask(mode_t mask) : previous_(::umask(mask)) {}
  ~Umask() { ::umask(previous_); }

 private:
  mode_t previous_;
};

const std::vector<TimedSegment> kSaid = {{0, 1, "Hola", {}}};

TEST(ProcessingSafety, KeptAudioIsPrivateWhateverTheUmask) {
  const Umask open(0);
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> kept;
  } cases[] = {
      {{"mic.pcm", "system.pcm"}, {"mic.m4a", "system.m4a"}},
      {{"mixed.mp3"}, {"mixed.m4a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files.front());
    Fixture t;
    for (const std::string& file : c.files) {
      if (file.ends_with(".pcm"))
        t.writeSeconds(file, 1);
      else
        kelv::test::writeTone(t.folder.path() / file, 1, 16000, 1);
    }
    EXPECT_EQ(Processing::run(t.folder, t.options).state, State::done);
    for (const std::string& file : c.kept) EXPECT_EQ(modeOf(t.folder.path() / file), 0600u) << file;
  }
}

// A status that claims more than the folder holds: the step is done again, or the run fails,
// but it never ends `done` with a transcript it doesn't have, and never deletes the audio
// that the missing transcript came from.
TEST(ProcessingSafety, ACompletedStepWithoutItsCheckpointIsDoneAgain) {
  struct Case {
    std::string name;
    std::vector<Step> claimed;
    bool keepAudioFile;
    std::vector<std::string> removed;
    State state;
    std::vector<std::string> transcribed;
    bool notesAgain;
  } cases[] = {
      {"transcribe claimed, no checkpoint",
       {Step::transcribe},
       true,
       {"mic.json"},
       State::done,
       {"mic.pcm"},
       true},
      {"transcribe claimed, neither checkpoint nor audio",
       {Step::transcribe},
       false,
       {"mic.json"},
       State::needsAttention,
       {},
       false},
      {"all claimed, transcript lost",
       {Step::transcribe, Step::merge, Step::notes},
       true,
       {"transcript.json"},
       State::done,
       {},
       false},
      {"all claimed, notes lost",
       {Step::transcribe, Step::merge, Step::notes},
       true,
       {"notes.json"},
       State::done,
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture t;
    t.options.keepAudio = false;
    if (c.keepAudioFile) t.writeSeconds("mic.pcm", 1);
    t.folder.writeCheckpoint("mic", nlohmann::json(kSaid));
    t.folder.writeCheckpoint("transcript", nlohmann::json(std::vector<Turn>{{0, "You", "Hola"}}));
    t.folder.writeCheckpoint("notes", nlohmann::json(Notes{"T", "Notas.", std::nullopt}));
    for (const std::string& name : c.removed) fs::remove(t.folder.path() / name);
    t.folder.updateStatus([&](MeetingStatus& status) { status.completedSteps = c.claimed; });
    t.transcription->segments["mic"] = kSaid;
    int notesWritten = 0;
    t.withNotes([&](const std::vector<Turn>&) {
      ++notesWritten;
      return Notes{"T", "Notas.", std::nullopt};
    });

    const MeetingStatus status = Processing::run(t.folder, t.options);
    EXPECT_EQ(status.state, c.state) << status.lastError.value_or("");
    EXPECT_EQ(t.transcription->calls, c.transcribed);
    EXPECT_EQ(notesWritten, c.notesAgain ? 1 : 0);
    if (c.state == State::done) {
      EXPECT_THAT(status.completedSteps,
                  testing::UnorderedElementsAre(Step::transcribe, Step::merge, Step::notes));
      EXPECT_THAT(readFile(*status.meetingFile), testing::HasSubstr("**You:** Hola"));
      EXPECT_THAT(t.folder.trackFiles(Track::mic), IsEmpty());
    } else {
      EXPECT_EQ(status.lastError, "This Meeting has no audio to transcribe.");
    }
  }
}

TEST(ProcessingSafety, AudioIsNotDeletedWhileATranscriptItFedIsMissing) {
  struct Case {
    std::string name;
    std::vector<std::string> checkpoints;
    std::string kept;
  } cases[] = {
      {"track checkpoint missing", {"mic", "transcript"}, "system.pcm"},
      {"merged transcript missing", {"mic", "system"}, "mic.pcm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture t;
    t.writeSeconds("mic.pcm", 1);
    t.writeSeconds("system.pcm", 1);
    for (const std::string& name : c.checkpoints)
      writeFile(t.folder.path() / (name + ".json"), "[]");
    try {
      Processing::finishAudio(t.folder, false);
      ADD_FAILURE() << "audio deleted";
    } catch (const AudioError& error) {
      EXPECT_EQ(error.kind(), AudioError::Kind::transcriptMissing);
      EXPECT_EQ(std::string(error.what()),
                "The audio file " + c.kept + " was kept: its transcript isn't on disk.");
    }
    EXPECT_TRUE(fs::exists(t.folder.path() / "mic.pcm"));
    EXPECT_TRUE(fs::exists(t.folder.path() / "system.pcm"));
  }
}

// Whatever `meetingFile` names, only one of our own Meeting files is replaced, renamed,
// deleted or written beside; anything else is left exactly as it is.
TEST(ProcessingSafety, AStoredMeetingFileIsActedOnOnlyWhenItIsStillOurs) {
  const std::string meetingText = "---\nschema: kelvora/v1\ntitle: \"Otro\"\n---\n\n# Otro\n";
  struct Case {
    std::string name;
    std::function<fs::path(const fs::path& outside)> plant;
    bool sameHash;
  } cases[] = {
      {"a text file outside the notes folder",
       [&](const fs::path& outside) {
         writeFile(outside / "private.txt", meetingText);
         return outside / "private.txt";
       },
       true},
      {"a system file without a header",
       [](const fs::path& outside) {
         writeFile(outside / "passwd", "root:x:0:0:root:/root:/bin/bash\n");
         return outside / "passwd";
       },
       false},
      {"a link to someone's Meeting file",
       [&](const fs::path& outside) {
         writeFile(outside / "real.md", meetingText);
         fs::create_symlink(outside / "real.md", outside / "link.md");
         return outside / "link.md";
       },
       true},
      {"a Markdown file without a header",
       [](const fs::path& outside) {
         writeFile(outside / "diary.md", "Dear diary\n");
         return outside / "diary.md";
       },
       false},
      {"a folder",
       [](const fs::path& outside) {
         fs::create_directories(outside / "folder.md");
         return outside / "folder.md";
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture t;
    const fs::path outside = t.temp / "outside";
    fs::create_directories(outside);
    const fs::path planted = c.plant(outside);
    const auto snapshot = [&] {
      std::map<std::string, std::string> files;
      for (const auto& item : fs::directory_iterator(outside))
        files[item.path().filename().string()] =
            fs::is_regular_file(item.path()) ? readFile(item.path()) : "(not a file)";
      return files;
    };
    const auto before = snapshot();
    t.writeSeconds("mic.pcm", 1);
    t.folder.updateStatus([&](MeetingStatus& status) {
      status.meetingFile = planted.string();
      status.meetingFileHash = c.sameHash ? MeetingFileWriter::hash(readFile(planted)) : "0";
    });

    // The library neither renames nor deletes it as the meeting's file.
    const MeetingStore store(t.folder.path().parent_path());
    std::optional<MeetingEntry> entry;
    for (const MeetingEntry& candidate : store.entries(t.options.notesFolder))
      if (candidate.folder == t.folder) entry = candidate;
    ASSERT_TRUE(entry);
    MeetingEntry stale = *entry;
    stale.meetingFile = planted;
    store.rename(stale, "Nuevo título");
    EXPECT_EQ(snapshot(), before);

    // Processing writes a fresh file in the notes folder instead.
    const MeetingStatus status = Processing::run(t.folder, t.options);
    EXPECT_EQ(status.state, State::done);
    EXPECT_EQ(fs::path(*status.meetingFile).parent_path(), t.options.notesFolder);
    EXPECT_EQ(snapshot(), before);

    t.folder.updateStatus([&](MeetingStatus& s) { s.meetingFile = planted.string(); });
    stale.title = "x";
    store.remove(stale);
    EXPECT_EQ(snapshot(), before);
  }
}

// A service that repeats the key it was sent must not get it into the status record.
TEST(ProcessingSafety, KeysRepeatedInErrorsAreMaskedInTheStatus) {
  struct Case {
    std::string name;
    bool transcriptionFails;
    std::string lastError;
  } cases[] = {
      {"transcription", true, "Bad key … (…), try again"},
      {"notes", false, "Needs attention: the Notes weren't written. Bad key … (…)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture t;
    t.writeSeconds("mic.pcm", 1);
    t.options.secrets = {"sk-transcribe-1", "sk-notes-2"};
    struct Failing : test::ScriptedTranscription {
      std::vector<TimedSegment> transcribe(const fs::path&,
                                           const std::optional<std::string>&) const override {
        throw std::runtime_error("Bad key sk-transcribe-1 (sk-notes-2), try again");
      }
    };
    if (c.transcriptionFails) t.options.transcription = std::make_shared<Failing>();
    t.withNotes([](const std::vector<Turn>&) -> Notes {
      throw std::runtime_error("Bad key sk-notes-2 (sk-transcribe-1)");
    });
    const MeetingStatus status = Processing::run(t.folder, t.options);
    EXPECT_EQ(status.state, State::needsAttention);
    EXPECT_EQ(status.lastError, c.lastError);
    EXPECT_EQ(readFile(t.folder.statusPath()).find("sk-"), std::string::npos);
  }
}

}  // namespace
}  // namespace kelv::core
