#include "kelv/core/processing/processing.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <string>
#include <system_error>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/audio/track_audio.h"
#include "kelv/core/backends/chunk_progress.h"
#include "kelv/core/library/meeting_file_header.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/net/wait_progress.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/transcript/transcript_merge.h"
#include "kelv/core/util/api_key.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/library_json.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core::Processing {

namespace fs = std::filesystem;
using Stage = ProcessingProgress::Stage;
using Step = MeetingStatus::Step;

namespace {

constexpr const char* kNotesFailurePrefix = "Needs attention: the Notes weren't written. ";
constexpr double kUnknownDuration = 60;

void report(const ProcessingOptions& options, Stage stage, std::optional<Track> track = {},
            int chunk = 0, int chunkCount = 0, int waitingSeconds = 0) {
  if (options.progress)
    options.progress(ProcessingProgress{stage, track, chunk, chunkCount, waitingSeconds});
}

// Reports the chunks a backend sends and, while a request waits for its reply, how long it
// has waited, as progress of `stage`.
class StageProgress {
 public:
  StageProgress(const ProcessingOptions& options, Stage stage, std::optional<Track> track = {})
      : chunks_([this, &options, stage, track](int chunk, int count) {
          chunk_ = chunk;
          count_ = count;
          report(options, stage, track, chunk, count);
        }),
        waits_([this, &options, stage, track](int seconds) {
          report(options, stage, track, chunk_, count_, seconds);
        }) {}

 private:
  int chunk_ = 0;
  int count_ = 0;
  ChunkProgress::Scope chunks_;
  WaitProgress::Scope waits_;
};

std::string checkpointName(Track track) { return std::string(toString(track)); }

fs::path checkpointPath(const MeetingFolder& folder, const std::string& name) {
  return folder.path() / (name + ".json");
}

// A checkpoint that is absent or can't be decoded counts as not written.
std::optional<std::vector<TimedSegment>> readSegments(const MeetingFolder& folder, Track track) {
  try {
    return timedSegmentsFromJson(
        LibraryJson::readFile(checkpointPath(folder, checkpointName(track))));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::vector<Turn>> readTranscript(const MeetingFolder& folder) {
  try {
    return turnsFromJson(LibraryJson::readFile(checkpointPath(folder, "transcript")));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::vector<Turn> readTurns(const MeetingFolder& folder) {
  return readTranscript(folder).value_or(std::vector<Turn>{});
}

std::optional<Notes> readNotes(const MeetingFolder& folder) {
  std::error_code error;
  if (!fs::exists(checkpointPath(folder, "notes"), error)) return std::nullopt;
  try {
    return notesFromJson(LibraryJson::readFile(checkpointPath(folder, "notes")));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void removeFile(FileSystem& files, const fs::path& path) {
  if (const auto error = files.remove(path))
    throw PlatformError::fromErrno(error.value(), "delete", path);
}

// Also when the path is absent: nothing to clean up then.
void removeQuietly(FileSystem& files, const fs::path& path) { (void)files.remove(path); }

void appendStep(const MeetingFolder& folder, Step step,
                const std::function<void(MeetingStatus&)>& alsoChange = {}) {
  folder.updateStatus([&](MeetingStatus& status) {
    if (alsoChange) alsoChange(status);
    if (!status.hasCompleted(step)) status.completedSteps.push_back(step);
  });
}

// A step counts as completed only while its checkpoint is on disk: a status that claims more
// than the folder holds (a lost or damaged checkpoint) would otherwise finish with an empty
// transcript, and then delete the audio.
bool transcribed(const MeetingFolder& folder, const MeetingStatus& status) {
  if (!status.hasCompleted(Step::transcribe)) return false;
  bool any = false;
  for (Track track : kAllTracks) {
    if (readSegments(folder, track)) {
      any = true;
    } else if (!folder.trackFiles(track).empty()) {
      return false;
    }
  }
  return any;
}

bool merged(const MeetingFolder& folder, const MeetingStatus& status) {
  return status.hasCompleted(Step::merge) && readTranscript(folder).has_value();
}

bool notesWritten(const MeetingFolder& folder, const MeetingStatus& status,
                  const ProcessingOptions& options) {
  return status.hasCompleted(Step::notes) && (!options.notes || readNotes(folder).has_value());
}

void transcribe(const MeetingFolder& folder, const ProcessingOptions& options) {
  std::vector<std::vector<fs::path>> files;
  double duration = 0;
  bool anyFile = false;
  for (Track track : kAllTracks) {
    files.push_back(folder.trackFiles(track));
    for (const fs::path& file : files.back())
      duration = std::max(duration, TrackAudio::duration(file));
    anyFile = anyFile || !files.back().empty();
  }
  if (!anyFile) throw AudioError::noTracks();

  const TranscriptionBackend& backend = *options.transcription;
  const std::optional<std::string> language = folder.readStatus().language;
  try {
    for (size_t i = 0; i < kAllTracks.size(); ++i) {
      const Track track = kAllTracks[i];
      if (readSegments(folder, track) || files[i].empty()) continue;
      report(options, Stage::transcribe, track);
      const StageProgress progress(options, Stage::transcribe, track);
      const std::vector<TimedSegment> segments = backend.transcribe(files[i].front(), language);
      folder.writeCheckpoint(checkpointName(track), nlohmann::json(segments));
    }
  } catch (...) {
    try {
      backend.unload();
    } catch (...) {
      // The transcription's own failure is the one worth reporting.
    }
    throw;
  }
  backend.unload();

  appendStep(folder, Step::transcribe, [&](MeetingStatus& status) {
    status.duration = duration;
    status.transcriptionBackend = backend.name();
  });
}

void merge(const MeetingFolder& folder, const ProcessingOptions& options) {
  report(options, Stage::merge);
  const auto segments = [&](Track track) {
    return readSegments(folder, track).value_or(std::vector<TimedSegment>{});
  };
  const std::vector<Turn> turns =
      folder.isMixed() ? TranscriptMerge::mixed(segments(Track::mixed),
                                                options.transcription->separatesSpeakers())
                       : TranscriptMerge::merge(segments(Track::mic), segments(Track::system));
  folder.writeCheckpoint("transcript", nlohmann::json(turns));
  appendStep(folder, Step::merge);
}

// Returns the notes failure's description, if the notes couldn't be written.
std::optional<std::string> writeNotes(const MeetingFolder& folder, const std::vector<Turn>& turns,
                                      const ProcessingOptions& options) {
  if (!options.notes) {
    appendStep(folder, Step::notes);
    return std::nullopt;
  }
  report(options, Stage::notes);
  const StageProgress progress(options, Stage::notes);
  try {
    const auto& step = options.notesStep ? options.notesStep : defaultNotesStep();
    folder.writeCheckpoint("notes", nlohmann::json(step(turns, *options.notes)));
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
  appendStep(folder, Step::notes,
             [&](MeetingStatus& status) { status.notesBackend = options.notes->name(); });
  return std::nullopt;
}

// "base.md" or "base-<n>.md": a name freePath may have given for this base.
bool carriesBase(const fs::path& file, const std::string& base) {
  const std::string name = file.filename().string();
  if (name == base + ".md") return true;
  const std::string prefix = base + "-";
  if (name.size() <= prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0 ||
      !name.ends_with(".md"))
    return false;
  const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - 3);
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool sameFolder(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error);
}

}  // namespace

MeetingStatus run(const MeetingFolder& given, const ProcessingOptions& options) {
  const MeetingFolder folder = given.writingThrough(options.fileSystem);
  const MeetingLock lock = folder.lock();
  folder.updateStatus([](MeetingStatus& status) {
    status.state = MeetingStatus::State::processing;
    status.lastError.reset();
  });

  std::optional<std::string> notesFailure;
  std::optional<std::string> failure;
  try {
    if (!transcribed(folder, folder.readStatus())) transcribe(folder, options);
    if (!merged(folder, folder.readStatus())) merge(folder, options);
    const std::vector<Turn> turns = readTurns(folder);
    if (!notesWritten(folder, folder.readStatus(), options))
      notesFailure = writeNotes(folder, turns, options);
    report(options, Stage::meetingFile);
    writeMeetingFile(folder, turns, options);
    report(options, Stage::audio);
    finishAudio(folder, options.keepAudio, FileSystem::orPosix(options.fileSystem));
  } catch (const std::exception& error) {
    failure = error.what();
  }

  // A service may repeat the key it was sent in its error message.
  if (failure) failure = ApiKey::masked(*failure, options.secrets);
  if (notesFailure) notesFailure = ApiKey::masked(*notesFailure, options.secrets);
  return folder.updateStatus([&](MeetingStatus& status) {
    if (failure) {
      status.state = MeetingStatus::State::needsAttention;
      status.lastError = *failure;
    } else if (notesFailure) {
      status.state = MeetingStatus::State::needsAttention;
      status.lastError = kNotesFailurePrefix + *notesFailure;
    } else {
      status.state = MeetingStatus::State::done;
      status.lastError.reset();
    }
  });
}

void writeMeetingFile(const MeetingFolder& folder, const std::vector<Turn>& turns,
                      const ProcessingOptions& options) {
  const MeetingStatus status = folder.readStatus();
  const std::optional<Notes> notes = readNotes(folder);

  MeetingFileWriter::Content content;
  content.meetingID = folder.id();
  content.title = status.title ? status.title : (notes ? notes->title : std::nullopt);
  content.startedAt = status.startedAt;
  content.duration = status.length().value_or(kUnknownDuration);
  content.language = status.language;
  content.engine = status.transcriptionBackend;
  content.interrupted = status.interrupted;
  if (notes) content.notes = notes->markdown;
  content.turns = notes && notes->turns ? *notes->turns : turns;
  content.defaultSpeaker = folder.isMixed() ? std::string(TranscriptMerge::kSpeaker)
                                            : std::string(TranscriptMerge::kYou);
  const std::string bytes = MeetingFileWriter::markdown(content);
  const std::string base = MeetingFileWriter::baseName(content.title, status.startedAt);

  std::optional<fs::path> target;
  // The unedited file this one replaces once it is safely written elsewhere.
  std::optional<fs::path> replaced;
  // A stored path that no longer leads to one of our Meeting files (a link, another kind of
  // file, a file without a header) counts as absent: it is neither replaced nor written beside.
  if (status.meetingFile && MeetingFileHeader::isMeetingFile(*status.meetingFile)) {
    const fs::path previous(*status.meetingFile);
    std::optional<std::string> current;
    try {
      current = AtomicFile::read(previous);
    } catch (const PlatformError&) {
    }
    if (current) {
      if (!status.meetingFileHash || MeetingFileWriter::hash(*current) != *status.meetingFileHash) {
        target = MeetingFileWriter::siblingPath(previous);
      } else if (sameFolder(previous.parent_path(), options.notesFolder) &&
                 carriesBase(previous, base)) {
        // Same name as before: replaced atomically in place, so the old text survives a failed
        // write.
        target = previous;
      } else {
        replaced = previous;
      }
    }
  }
  if (!target) {
    std::error_code error;
    fs::create_directories(options.notesFolder, error);
    if (error)
      throw PlatformError::fromErrno(error.value(), "create the folder", options.notesFolder);
    target = MeetingFileWriter::freePath(base, options.notesFolder);
  }

  FileSystem& files = FileSystem::orPosix(options.fileSystem);
  AtomicFile::write(*target, bytes, 0666, files);
  try {
    folder.updateStatus([&](MeetingStatus& changed) {
      changed.meetingFile = target->string();
      changed.meetingFileHash = MeetingFileWriter::hash(bytes);
    });
  } catch (...) {
    removeQuietly(files, *target);
    throw;
  }
  if (replaced) removeFile(files, *replaced);
}

void finishAudio(const MeetingFolder& folder, bool keep, FileSystem& files) {
  if (!keep) {
    const bool hasTranscript = readTranscript(folder).has_value();
    for (Track track : kAllTracks) {
      const std::vector<fs::path> files = folder.trackFiles(track);
      if (!files.empty() && !(hasTranscript && readSegments(folder, track)))
        throw AudioError::transcriptMissing(files.front().filename().string());
    }
  }
  for (Track track : kAllTracks) {
    for (const fs::path& file : folder.trackFiles(track)) {
      if (!keep) {
        removeFile(files, file);
        continue;
      }
      if (file.extension() == ".m4a") continue;
      const std::string name = std::string(toString(track)) + ".m4a";
      // Compressed under a name no track listing picks up, so a cut-off compression never
      // passes for the kept audio.
      const fs::path partial = folder.path() / (name + ".partial");
      const fs::path compressed = folder.path() / name;
      try {
        TrackAudio::compress(file, partial);
        if (const auto error = files.syncFile(partial))
          throw PlatformError::fromErrno(error.value(), "save", compressed);
        if (const auto error = files.rename(partial, compressed))
          throw PlatformError::fromErrno(error.value(), "save", compressed);
      } catch (...) {
        removeQuietly(files, partial);
        throw;
      }
      // The raw track is the only other copy: it goes only once the compressed file's content
      // and name are on disk.
      if (const auto error = files.syncFolder(folder.path()))
        throw PlatformError::fromErrno(error.value(), "save", compressed);
      removeFile(files, file);
    }
  }
}

void prepareReprocess(const MeetingFolder& folder) {
  for (const char* name : {"mic", "system", "mixed", "transcript", "notes"})
    removeQuietly(*FileSystem::posix(), checkpointPath(folder, name));
  folder.updateStatus([](MeetingStatus& status) {
    status.completedSteps.clear();
    status.state = MeetingStatus::State::processing;
  });
}

void prepareNotes(const MeetingFolder& folder) {
  removeQuietly(*FileSystem::posix(), checkpointPath(folder, "notes"));
  folder.updateStatus(
      [](MeetingStatus& status) { std::erase(status.completedSteps, Step::notes); });
}

const ProcessingOptions::NotesStep& defaultNotesStep() {
  static const ProcessingOptions::NotesStep step =
      NotesWriter::step(std::string(NotesWriter::defaultPrompt), {});
  return step;
}

}  // namespace kelv::core::Processing
