// What the processing commands of `kelv` share: the backends made from the settings with the
// keys of this run, and how a meeting id on the command line becomes a folder.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "kelv/core/assembly/backend_assembly.h"
#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/environment.h"

namespace kelv::tool {

// The exit status for an error that ended a run before it could record its outcome: busy
// for a busy folder or a status that can't be read; failure when the folder couldn't be
// written (a full disk, a read-only store), since waiting won't help.
int exitStatusFor(const std::exception& error);

// Tells the user on standard error ("kelv: …") when the stored settings can't be read and the
// defaults stand in for them; a preferences file that isn't JSON is kept aside first.
void reportUnreadableSettings(const core::SettingsStore& store);

// The backends of the environment's settings store, with the keys of the secrets document on
// standard input before those of the Secret Service; reports unreadable settings
// (reportUnreadableSettings). Throws std::invalid_argument for a malformed secrets document.
core::BackendAssembly processingAssembly(const core::Environment& environment);

// Makes SIGTERM end the process at once, whatever disposition or mask it inherited: the
// folder lock goes with the process and the next run resumes from the checkpoints. Call it
// before any thread starts.
void endOnTermination();

// "<id> done <Meeting file>", "<id> needs-attention <reason>", or the id and the state.
std::string resultLine(const core::MeetingFolder& folder, const core::MeetingStatus& status);

// The folder named by `id` under the store; nullopt for an id that is not a plain folder name.
std::optional<core::MeetingFolder> namedFolder(const std::string& id,
                                               const core::Environment& environment);

}  // namespace kelv::tool
