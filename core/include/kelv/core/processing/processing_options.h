// What one processing run uses: the backends, the notes step, where the Meeting file goes and
// whether the audio is kept. Built fresh for every run (BackendAssembly::processingOptions); the
// pipeline only reads it. Also how a run reports its progress to whoever watches it.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/audio/track.h"
#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/backends/transcription_backend.h"
#include "kelv/core/notes/notes.h"
#include "kelv/core/transcript/turn.h"
#include "kelv/core/util/file_system.h"

namespace kelv::core {

// One step of a run as it starts, for progress displays. Chunks are counted from 1 and are
// reported only by backends that upload a track in chunks.
struct ProcessingProgress {
  enum class Stage { transcribe, merge, notes, meetingFile, audio };

  Stage stage;
  std::optional<Track> track;  // the track being transcribed
  int chunk = 0;               // 0 until the backend reports chunks
  int chunkCount = 0;
  // Seconds the current request has waited for the service's reply; 0 while not waiting.
  int waitingSeconds = 0;
};

struct ProcessingOptions {
  // Writes the notes of a transcript with a notes backend; throws the backend's or NotesError.
  using NotesStep = std::function<Notes(const std::vector<Turn>&, const NotesBackend&)>;
  using ProgressObserver = std::function<void(const ProcessingProgress&)>;

  std::shared_ptr<const TranscriptionBackend> transcription;
  // Absent: no notes are written.
  std::shared_ptr<const NotesBackend> notes;
  NotesStep notesStep;
  std::filesystem::path notesFolder;
  // True keeps the audio, compressed; false deletes it once processed.
  bool keepAudio = true;
  // Called on the run's thread; may be empty.
  ProgressObserver progress;
  // The API keys of this run: replaced by "…" in every error text the run records.
  std::vector<std::string> secrets;
  // What the run's files are written through; empty: the POSIX file system.
  std::shared_ptr<FileSystem> fileSystem;
};

}  // namespace kelv::core
