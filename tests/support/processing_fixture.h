// A meeting folder ready for the pipeline, with a transcription backend that answers from a
// script and a notes backend that only gives its name: shared by the pipeline's tests.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio_files.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/processing/processing_options.h"
#include "temp_dir.h"

namespace kelv::test {

using namespace kelv::core;

// Answers each track file with the segments scripted for its track, or fails for the tracks
// told to fail; records the files it was given and how often it was unloaded.
class ScriptedTranscription : public TranscriptionBackend {
 public:
  std::string name() const override { return "scripted:v1"; }
  bool separatesSpeakers() const override { return separates; }
  std::vector<TimedSegment> transcribe(const std::filesystem::path& track,
                                       const std::optional<std::string>& language) const override {
    calls.push_back(track.filename().string());
    languages.push_back(language);
    const std::string stem = track.stem().string();
    if (failing.count(stem)) throw std::runtime_error("The service fell over.");
    return segments.count(stem) ? segments.at(stem) : std::vector<TimedSegment>{};
  }
  void unload() const override { ++unloads; }

  std::map<std::string, std::vector<TimedSegment>> segments;
  std::set<std::string> failing;
  bool separates = false;
  mutable std::vector<std::string> calls;
  mutable std::vector<std::optional<std::string>> languages;
  mutable int unloads = 0;
};

class NamedModel : public NotesBackend {
 public:
  std::string name() const override { return "model:x"; }
  int contextTokens() const override { return 8192; }
  std::string complete(const std::string&, const std::string&) const override {
    throw std::logic_error("the scripted notes step never asks the model");
  }
};

inline const Date kStart =
    std::chrono::sys_days{std::chrono::year{2025} / 3 / 14} + std::chrono::hours{8};

// A meeting folder in state `processing` with a scripted backend and no notes backend.
struct ProcessingFixture {
  ProcessingFixture() {
    setenv("TZ", "UTC", 1);
    tzset();
    folder = MeetingFolder(temp / "store" / "2025-03-14-080000-abcd");
    createPrivateDirectories(folder.path());
    MeetingStatus status(MeetingStatus::State::processing, kStart, "es");
    status.endedAt = kStart + std::chrono::seconds(90);
    folder.writeStatus(status);
    options.transcription = transcription;
    options.notesFolder = temp / "notes";
    options.keepAudio = true;
  }

  void withNotes(std::function<Notes(const std::vector<Turn>&)> step) {
    options.notes = std::make_shared<NamedModel>();
    options.notesStep = [step](const std::vector<Turn>& turns, const NotesBackend&) {
      return step(turns);
    };
  }

  void writeSeconds(const std::string& name, double seconds) {
    kelv::test::writeRawTrack(folder.path() / name,
                              std::vector<int16_t>(static_cast<size_t>(seconds * 16000), 0));
  }

  MeetingFileWriter::Content expectedContent(std::vector<Turn> turns, double duration) {
    MeetingFileWriter::Content content;
    content.meetingID = folder.id();
    content.startedAt = kStart;
    content.duration = duration;
    content.language = "es";
    content.engine = "scripted:v1";
    content.turns = std::move(turns);
    content.defaultSpeaker = "You";
    return content;
  }

  TempDir temp;
  MeetingFolder folder{""};
  std::shared_ptr<ScriptedTranscription> transcription = std::make_shared<ScriptedTranscription>();
  ProcessingOptions options;
};

}  // namespace kelv::test
