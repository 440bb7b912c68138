#include "kelv/core/backends/cloud/upload_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "kelv-upload-";
// A folder is made under this suffix and renamed once it is locked, so a sweep never sees a
// folder of a live run before its lock is taken.
constexpr std::string_view kNewSuffix = ".new";

int openFolder(const fs::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// One of our folders whose run has ended (its lock is free): removed. A folder of another
// user, a link, or a folder still locked by a running transcription is left alone.
void removeIfAbandoned(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
    return;
  const int fd = openFolder(path);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  ::close(fd);
}

}  // namespace

void UploadFolder::removeAbandoned(const fs::path& temporary) {
  std::error_code error;
  for (fs::directory_iterator it(temporary, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(kPrefix) && !name.ends_with(kNewSuffix)) removeIfAbandoned(it->path());
  }
}

UploadFolder::UploadFolder() {
  const fs::path temporary = temporaryDirectory();
  removeAbandoned(temporary);
  path_ = temporary / (std::string(kPrefix) + randomUUID());
  const fs::path fresh = path_.string() + std::string(kNewSuffix);
  if (::mkdir(fresh.c_str(), 0700) != 0) throw PlatformError::fromErrno(errno, "create", path_);
  lock_ = openFolder(fresh);
  // mkdir's mode is reduced by the umask; chmod makes sure nothing is more open than 0700.
  if (lock_ < 0 || ::fchmod(lock_, 0700) != 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0 ||
      ::rename(fresh.c_str(), path_.c_str()) != 0) {
    const int code = errno;
    if (lock_ >= 0) ::close(lock_);
    ::rmdir(fresh.c_str());
    throw PlatformError::fromErrno(code, "create", path_);
  }
}

UploadFolder::~UploadFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  ::close(lock_);
}

std::optional<std::string> UploadFolder::primaryLanguage(const std::optional<std::string>& code) {
  if (!code) return std::nullopt;
  size_t start = 0;
  while (start < code->size()) {
    size_t dash = code->find('-', start);
    if (dash == std::string::npos) dash = code->size();
    if (dash > start) return code->substr(start, dash - start);
    start = dash + 1;
  }
  return std::nullopt;
}

}  // namespace kelv::core
