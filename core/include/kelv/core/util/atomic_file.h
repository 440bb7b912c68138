// Atomic replacement of a file: the new content is written to a temporary file in the same
// folder, forced to disk, renamed over the target, and the folder is forced to disk, so a
// reader sees either the old content or the new content in full.
#pragma once

#include <sys/types.h>
#include <filesystem>
#include <string>
#include <string_view>

#include "kelv/core/util/file_system.h"

namespace kelv::core::AtomicFile {

// Replaces `path` with `content` through `files`; a new file gets `mode` less the umask.
// Throws PlatformError; on failure the previous file is untouched and no temporary file is
// left behind.
void write(const std::filesystem::path& path, std::string_view content, mode_t mode = 0600,
           FileSystem& files = *FileSystem::posix());

// Reads a whole file. Throws PlatformError.
std::string read(const std::filesystem::path& path);

}  // namespace kelv::core::AtomicFile
