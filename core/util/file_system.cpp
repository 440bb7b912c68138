#include "kelv/core/util/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kelv::core {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class PosixFile : public WritableFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::error_code append(std::string_view bytes, size_t& written) override {
    written = 0;
    while (written < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
      if (n < 0) {
        if (errno == EINTR) continue;
        return lastError();
      }
      written += static_cast<size_t>(n);
    }
    return {};
  }

  std::error_code sync() override { return ::fsync(fd_) == 0 ? std::error_code{} : lastError(); }

  std::error_code close() override {
    if (fd_ < 0) return {};
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? std::error_code{} : lastError();
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::error_code open(const std::filesystem::path& path, Creation creation, mode_t mode,
                       std::unique_ptr<WritableFile>& file) override {
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC |
                      (creation == Creation::createNew ? O_EXCL : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0) return lastError();
    file = std::make_unique<PosixFile>(fd);
    return {};
  }

  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : lastError();
  }

  std::error_code remove(const std::filesystem::path& path) override {
    return ::unlink(path.c_str()) == 0 ? std::error_code{} : lastError();
  }

  std::error_code syncFile(const std::filesystem::path& path) override {
    return syncOpened(path, O_RDONLY | O_CLOEXEC);
  }

  std::error_code syncFolder(const std::filesystem::path& folder) override {
    return syncOpened(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }

 private:
  static std::error_code syncOpened(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return lastError();
    const std::error_code result = ::fsync(fd) == 0 ? std::error_code{} : lastError();
    ::close(fd);
    return result;
  }
};

}  // namespace

const std::shared_ptr<FileSystem>& FileSystem::posix() {
  static const std::shared_ptr<FileSystem> instance = std::make_shared<PosixFileSystem>();
  return instance;
}

}  // namespace kelv::core
