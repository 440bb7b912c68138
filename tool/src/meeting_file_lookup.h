// The Meeting file a command on one class reads, from the id `kelv list` shows: a meeting
// folder's name or the path of a Meeting file without a folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/util/environment.h"

namespace kelv::tool {

struct ClassFile {
  core::MeetingEntry entry;
  std::filesystem::path meetingFile;
  std::optional<double> duration;  // seconds, when the meeting's status knows them
};

// Throws std::runtime_error with the user's text for an unknown id or a meeting that has no
// Meeting file yet.
ClassFile classFile(const std::string& id, const core::Environment& environment);

}  // namespace kelv::tool
