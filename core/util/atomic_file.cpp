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

void writeAll(int fd, std::string_view content, const std::filesystem::path& path) {
  while (!content.empty()) {
    ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw PlatformError::fromErrno(errno, "write", path);
    }
    content.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

void write(const std::filesystem::path& path, std::string_view content, mode_t mode) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string hidden(1, '.');  // built by appending: GCC 12 warns falsely on "." + string
  hidden += path.filename().string();
  hidden += ".tmp-";
  hidden += randomSuffix();
  const std::filesystem::path temporary = folder / hidden;

  Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (file.get() < 0) throw PlatformError::fromErrno(errno, "save", path);
  try {
    writeAll(file.get(), content, path);
    if (::fsync(file.get()) != 0) throw PlatformError::fromErrno(errno, "save", path);
    if (file.close() != 0) throw PlatformError::fromErrno(errno, "save", path);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
      throw PlatformError::fromErrno(errno, "save", path);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  // The rename is only durable once the folder's entry is on disk; a failure here leaves the
  // new content in place, so it is not reported.
  Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
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
