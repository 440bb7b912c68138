// An advisory, exclusive lock on one meeting folder (flock on the folder's own descriptor).
//
// Held exactly as long as the object lives. The lock belongs to the open descriptor, so two
// locks on one folder exclude each other even inside one process: never lock a folder whose
// lock you already hold. Movable, not copyable.
#pragma once

#include <filesystem>
#include <optional>

namespace kelv::core {

class MeetingLock {
 public:
  // Tries `attempts` times (at least 1), pausing 20 ms between tries. No lock when the folder
  // can't be opened (missing, not a folder) or every try found it held.
  static std::optional<MeetingLock> acquire(const std::filesystem::path& folder, int attempts);

  MeetingLock(MeetingLock&& other) noexcept;
  MeetingLock& operator=(MeetingLock&& other) noexcept;
  MeetingLock(const MeetingLock&) = delete;
  MeetingLock& operator=(const MeetingLock&) = delete;
  ~MeetingLock();

  int fd() const noexcept { return fd_; }

 private:
  explicit MeetingLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace kelv::core
