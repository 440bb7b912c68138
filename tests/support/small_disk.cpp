#include "small_disk.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kelv::test {

namespace {

// Once per process: later mounts stay inside this process and its children.
bool privateMounts(std::string& problem) {
  static const std::string failure = [] {
    if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("private mounts: ") + std::strerror(errno);
    return std::string();
  }();
  problem = failure;
  return failure.empty();
}

}  // namespace

SmallDisk::SmallDisk(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
  std::filesystem::create_directories(folder);
  if (!privateMounts(problem_)) return;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    problem_ = std::string("mount: ") + std::strerror(errno);
    return;
  }
  mounted_ = true;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

void SmallDisk::fill() const {
  const auto path = folder_ / ".filler";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::vector<char> block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // The last partial page.
  while (::write(fd, block.data(), 1) > 0) {
  }
  ::close(fd);
}

void SmallDisk::shrinkToUsed() const {
  struct statvfs info {};
  if (::statvfs(folder_.c_str(), &info) != 0) return;
  const unsigned long long used = (info.f_blocks - info.f_bfree) * info.f_frsize;
  const std::string options = "size=" + std::to_string(std::max<unsigned long long>(used, 4096));
  ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT, options.c_str());
}

}  // namespace kelv::test
