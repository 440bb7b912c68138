// A file system that hands every call to the POSIX one, counts the calls of each kind and fails
// one chosen call the way a failing disk does: a write stores half its bytes and then reports
// ENOSPC, an fsync reports EIO, a rename reports EIO and moves nothing. Counting a clean run
// first tells a test how many steps there are to fail. Syncs are counted but not passed on:
// no test takes the machine down, and thousands of real flushes would only slow the tests.
// The journal of calls lets a test check their order. Folder syncs are never failed.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/util/file_system.h"

namespace kelv::test {

class FaultyFileSystem : public core::FileSystem,
                         public std::enable_shared_from_this<FaultyFileSystem> {
 public:
  enum class Call { write, sync, rename };
  static constexpr std::array<Call, 3> kCalls{Call::write, Call::sync, Call::rename};

  // Fails the call of `kind` numbered `index` (from 0, counted since the file system was made).
  void failAt(Call kind, int index);
  // Calls of `kind` made so far, the failed one included.
  int count(Call kind) const;
  // Whether the chosen call has come and failed.
  bool failed() const { return failed_; }
  // Every call so far in order, as "<call> <file name>" ("rename a b" for renames): syncs of
  // files and folders ("sync", "syncFolder"), "write", "rename" and "remove".
  std::vector<std::string> journal() const;
  static int errorOf(Call kind);
  static std::string nameOf(Call kind);

  std::error_code open(const std::filesystem::path& path, Creation creation, mode_t mode,
                       std::unique_ptr<core::WritableFile>& file) override;
  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override;
  std::error_code remove(const std::filesystem::path& path) override;
  std::error_code syncFile(const std::filesystem::path& path) override;
  std::error_code syncFolder(const std::filesystem::path& folder) override;

  // Notes a call in the journal.
  void note(const std::string& call, const std::filesystem::path& path);
  // Counts a call of `kind`; true when it is the one to fail.
  bool next(Call kind);

 private:
  std::array<std::atomic<int>, 3> counts_{};
  std::optional<std::pair<Call, int>> failure_;
  std::atomic<bool> failed_{false};
  mutable std::mutex journalMutex_;
  std::vector<std::string> journal_;
};

}  // namespace kelv::test
