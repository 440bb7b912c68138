// The processing pipeline: turns one meeting folder whose recording has ended into a finished
// meeting — transcripts per track, merged speaker turns, notes, the Meeting file in the notes
// folder, compressed or deleted audio — and leaves its status at `done` or `needsAttention`.
//
// Built to be interrupted: each finished step is recorded in the status's completedSteps with
// a checkpoint file in the folder (mic.json, system.json, mixed.json, transcript.json,
// notes.json), and a later run skips what is done. Stateless: everything between runs lives in
// the folder, and every status change is a read–change–write of meeting.json. Runs on the
// calling thread; the folder lock keeps other processes (and other runs) away from the folder.
#pragma once

#include <vector>

#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/library/meeting_status.h"
#include "kelv/core/processing/processing_options.h"
#include "kelv/core/transcript/turn.h"

namespace kelv::core::Processing {

// Runs every step still to do and returns the final status (`done` or `needsAttention`; the
// failure of a step is recorded in lastError, not thrown). Throws only when the folder can't be
// locked (MeetingError busy, PlatformError for a missing folder) or its status can't be read or
// written.
MeetingStatus run(const MeetingFolder& folder, const ProcessingOptions& options);

// Writes the Meeting file from the status, notes.json and the turns, and records its path and
// hash. A file the user edited since it was written is left alone and the new one goes beside
// it. Writes through the options' file system, and so does the folder's status only when the
// folder was given it. Throws the read, write or status error.
void writeMeetingFile(const MeetingFolder& folder, const std::vector<Turn>& turns,
                      const ProcessingOptions& options);

// Compresses every track file that isn't already .m4a into "<track>.m4a" and deletes the
// original (keep), or deletes every track file (!keep). Stops at the first failure and throws
// it; files already handled stay handled. Deletes nothing (AudioError transcriptMissing)
// unless transcript.json and the checkpoint of every track with audio are on disk. Renames and
// deletions go through `files`.
void finishAudio(const MeetingFolder& folder, bool keep, FileSystem& files = *FileSystem::posix());

// Readies a processed folder for a complete new run: checkpoints deleted, completedSteps
// emptied, state `processing`. The Meeting file's path and hash stay, so the next run replaces
// the file it wrote or writes beside it if the user edited it. Throws the status error.
void prepareReprocess(const MeetingFolder& folder);

// Readies a folder for writing its notes again: notes.json deleted and `notes` taken out of
// completedSteps; the state is unchanged. Throws the status error.
void prepareNotes(const MeetingFolder& folder);

// The notes step with the built-in prompt and no vocabulary; created once, on first use.
const ProcessingOptions::NotesStep& defaultNotesStep();

}  // namespace kelv::core::Processing
