#include "faulty_file_system.h"

#include <cerrno>

namespace kelv::test {

namespace {

core::FileSystem& real() { return *core::FileSystem::posix(); }

std::error_code errorCode(FaultyFileSystem::Call kind) {
  return {FaultyFileSystem::errorOf(kind), std::generic_category()};
}

class FaultyFile : public core::WritableFile {
 public:
  FaultyFile(std::unique_ptr<core::WritableFile> file, std::shared_ptr<FaultyFileSystem> owner,
             std::filesystem::path path)
      : file_(std::move(file)), owner_(std::move(owner)), path_(std::move(path)) {}

  std::error_code append(std::string_view bytes, size_t& written) override {
    using Call = FaultyFileSystem::Call;
    owner_->note("write", path_);
    if (!owner_->next(Call::write)) return file_->append(bytes, written);
    // A full disk takes what fits and refuses the rest.
    const auto error = file_->append(bytes.substr(0, bytes.size() / 2), written);
    return error ? error : errorCode(Call::write);
  }

  std::error_code sync() override {
    using Call = FaultyFileSystem::Call;
    owner_->note("sync", path_);
    return owner_->next(Call::sync) ? errorCode(Call::sync) : std::error_code{};
  }

  std::error_code close() override { return file_->close(); }

 private:
  std::unique_ptr<core::WritableFile> file_;
  std::shared_ptr<FaultyFileSystem> owner_;
  std::filesystem::path path_;
};

}  // namespace

void FaultyFileSystem::failAt(Call kind, int index) { failure_ = {kind, index}; }

int FaultyFileSystem::count(Call kind) const { return counts_[static_cast<size_t>(kind)]; }

int FaultyFileSystem::errorOf(Call kind) { return kind == Call::write ? ENOSPC : EIO; }

std::string FaultyFileSystem::nameOf(Call kind) {
  switch (kind) {
    case Call::write:
      return "write";
    case Call::sync:
      return "fsync";
    case Call::rename:
      return "rename";
  }
  return "?";
}

bool FaultyFileSystem::next(Call kind) {
  const int index = counts_[static_cast<size_t>(kind)]++;
  const bool fail = failure_ && failure_->first == kind && failure_->second == index;
  if (fail) failed_ = true;
  return fail;
}

std::error_code FaultyFileSystem::open(const std::filesystem::path& path, Creation creation,
                                       mode_t mode, std::unique_ptr<core::WritableFile>& file) {
  std::unique_ptr<core::WritableFile> opened;
  if (const auto error = real().open(path, creation, mode, opened)) return error;
  file = std::make_unique<FaultyFile>(std::move(opened), shared_from_this(), path);
  return {};
}

std::error_code FaultyFileSystem::rename(const std::filesystem::path& from,
                                         const std::filesystem::path& to) {
  note("rename", from.filename().string() + " " + to.filename().string());
  if (next(Call::rename)) return errorCode(Call::rename);
  return real().rename(from, to);
}

std::error_code FaultyFileSystem::remove(const std::filesystem::path& path) {
  note("remove", path);
  return real().remove(path);
}

std::error_code FaultyFileSystem::syncFile(const std::filesystem::path& path) {
  note("sync", path);
  return next(Call::sync) ? errorCode(Call::sync) : std::error_code{};
}

std::error_code FaultyFileSystem::syncFolder(const std::filesystem::path& folder) {
  note("syncFolder", folder);
  return {};
}

void FaultyFileSystem::note(const std::string& call, const std::filesystem::path& path) {
  std::lock_guard lock(journalMutex_);
  journal_.push_back(call + " " + path.filename().string());
}

std::vector<std::string> FaultyFileSystem::journal() const {
  std::lock_guard lock(journalMutex_);
  return journal_;
}

}  // namespace kelv::test
