#include "kelv/core/util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "kelv/core/util/platform_error.h"

namespace kelv::core::AtomicFile {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::string randomSuffix() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 10; ++i) suffix += kDigits[generator() % 36];
  return suffix;
}

}  // namespace

void write(const std::filesystem::path& path, std::string_view content, mode_t mode,
           FileSystem& files) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string hidden(1, '.');  // built by appending: GCC 12 warns falsely on "." + string
  hidden += path.filename().string();
  hidden += ".tmp-";
  hidden += randomSuffix();
  const std::filesystem::path temporary = folder / hidden;

  std::unique_ptr<WritableFile> file;
  if (const auto error = files.open(temporary, FileSystem::Creation::createNew, mode, file))
    throw PlatformError::fromErrno(error.value(), "save", path);
  try {
    size_t written = 0;
    if (const auto error = file->append(content, written))
      throw PlatformError::fromErrno(error.value(), "write", path);
    if (const auto error = file->sync())
      throw PlatformError::fromErrno(error.value(), "save", path);
    if (const auto error = file->close())
      throw PlatformError::fromErrno(error.value(), "save", path);
    if (const auto error = files.rename(temporary, path))
      throw PlatformError::fromErrno(error.value(), "save", path);
  } catch (...) {
    file.reset();
    (void)files.remove(temporary);
    throw;
  }
  // The rename is only durable once the folder's entry is on disk; a failure here leaves the
  // new content in place, so it is not reported.
  (void)files.syncFolder(folder);
}

std::string read(const std::filesystem::path& path) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw PlatformError::fromErrno(errno, "read", path);
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw PlatformError::fromErrno(errno, "read", path);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  return content;
}

}  // namespace kelv::core::AtomicFile
