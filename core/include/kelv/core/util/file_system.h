// The file writes that must survive a crash go through this small interface: files opened for
// writing, their fsync, renames, removals and the fsync of a file or a folder. The process uses the
// POSIX implementation unless a caller is handed another one; tests hand in one that fails a
// chosen call, to check that the stored records stay whole when the disk gives up.
//
// Every operation reports the errno value of its failure as a std::error_code (generic
// category) and leaves the wording of the error to its caller, which knows what it was
// saving. Implementations are safe to call from any thread; one WritableFile is used by one
// thread at a time.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace kelv::core {

class WritableFile {
 public:
  virtual ~WritableFile() = default;

  // Writes all of `bytes` at the end of the file, retrying short writes. On a failure
  // `written` tells how many of them reached the file before it.
  virtual std::error_code append(std::string_view bytes, size_t& written) = 0;
  // Forces what was written to the disk.
  virtual std::error_code sync() = 0;
  // Closes the file and reports the close's error; a second call does nothing. The destructor
  // closes a file still open and ignores the error.
  virtual std::error_code close() = 0;
};

class FileSystem {
 public:
  enum class Creation {
    createNew,  // fails (EEXIST) when the file exists
    replace,    // creates the file or empties it
  };

  virtual ~FileSystem() = default;

  // Opens `path` for appending; a created file gets `mode` less the umask. Sets `file` on
  // success.
  virtual std::error_code open(const std::filesystem::path& path, Creation creation, mode_t mode,
                               std::unique_ptr<WritableFile>& file) = 0;
  // Moves `from` over `to` in one step.
  virtual std::error_code rename(const std::filesystem::path& from,
                                 const std::filesystem::path& to) = 0;
  // Deletes a file (not a folder).
  virtual std::error_code remove(const std::filesystem::path& path) = 0;
  // Forces the content of a file written by other means (a library's own writer) to the disk.
  virtual std::error_code syncFile(const std::filesystem::path& path) = 0;
  // Forces the folder's entries (names created, renamed or removed in it) to the disk.
  virtual std::error_code syncFolder(const std::filesystem::path& folder) = 0;

  // The operating system's file system; lives as long as the process.
  static const std::shared_ptr<FileSystem>& posix();
  // `given`, or posix() when it is empty.
  static FileSystem& orPosix(const std::shared_ptr<FileSystem>& given) {
    return given ? *given : *posix();
  }
};

}  // namespace kelv::core
