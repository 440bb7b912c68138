// Importing a dropped file: one audio or video file (by the MIME type of its name) becomes a
// new meeting with the current meeting language.
#pragma once

#include <filesystem>
#include <vector>

#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/settings_store.h"

namespace kelv::app::AudioImport {

// The new meeting's folder. Throws core::PlatformError "Drop a single audio file to import
// it." for anything but one regular audio or video file, and the import's own errors.
core::MeetingFolder run(core::MeetingStore& store, const core::SettingsStore& settings,
                        const std::vector<std::filesystem::path>& files);

}  // namespace kelv::app::AudioImport
