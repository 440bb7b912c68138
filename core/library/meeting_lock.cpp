#include "kelv/core/library/meeting_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cassert>
#include <chrono>
#include <thread>

namespace kelv::core {

std::optional<MeetingLock> MeetingLock::acquire(const std::filesystem::path& folder, int attempts) {
  assert(attempts >= 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  for (int attempt = 1;; ++attempt) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return MeetingLock(fd);
    if (attempt >= attempts) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::close(fd);
  return std::nullopt;
}

MeetingLock::MeetingLock(MeetingLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

MeetingLock& MeetingLock::operator=(MeetingLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

MeetingLock::~MeetingLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kelv::core
