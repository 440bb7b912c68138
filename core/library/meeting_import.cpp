// Importing audio files as a new meeting.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

std::optional<Date> creationDate(const fs::path& file) {
  struct statx info {};
  if (statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &info) != 0 || !(info.stx_mask & STATX_BTIME))
    return std::nullopt;
  return Date(std::chrono::seconds(info.stx_btime.tv_sec)) +
         std::chrono::duration_cast<Date::duration>(
             std::chrono::nanoseconds(info.stx_btime.tv_nsec));
}

std::string copyName(Track track, const fs::path& source) {
  std::string extension = source.extension().string();
  if (extension.size() > 1) {
    extension.erase(0, 1);
    extension = AsciiText::lowercased(extension);
  } else {
    extension = "audio";
  }
  return std::string(toString(track)) + "." + extension;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Only a regular file (or a link to one) can be a recording; a folder, FIFO or device would
// otherwise fail later with a puzzling "Invalid argument" or block forever.
void requireAudioFile(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) throw PlatformError::fromErrno(errno, "open", file);
  if (!S_ISREG(info.st_mode))
    throw PlatformError(EINVAL, "“" + file.filename().string() + "” is not an audio file.");
}

// A plain read–write copy that finishes short writes, so a full disk reports "No space left
// on device" rather than the copy routine's generic error. The copy is private (0600).
void copyAudio(const fs::path& source, const fs::path& target) {
  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) throw PlatformError::fromErrno(errno, "copy", source);
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) throw PlatformError::fromErrno(errno, "copy", source);
  if (!S_ISREG(info.st_mode))
    throw PlatformError(EINVAL, "“" + source.filename().string() + "” is not an audio file.");
  Descriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (out.get() < 0) throw PlatformError::fromErrno(errno, "copy", source);
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      throw PlatformError::fromErrno(errno, "copy", source);
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out.get(), buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        throw PlatformError::fromErrno(errno, "copy", source);
      }
      done += put;
    }
  }
  if (::fsync(out.get()) != 0 || ::close(out.release()) != 0)
    throw PlatformError::fromErrno(errno, "copy", source);
}

}  // namespace

MeetingFolder MeetingStore::importAudio(const std::vector<fs::path>& files,
                                        std::optional<Date> startedAt,
                                        std::optional<std::string> language) const {
  std::vector<Track> tracks;
  if (files.size() == 1)
    tracks = {Track::mixed};
  else if (files.size() == 2)
    tracks = {Track::mic, Track::system};
  else
    throw AudioError::noTracks();

  for (const fs::path& file : files) requireAudioFile(file);

  const Date start =
      startedAt ? *startedAt : creationDate(files[0]).value_or(std::chrono::system_clock::now());
  const MeetingFolder folder = create(start, std::move(language));
  try {
    for (size_t i = 0; i < files.size(); ++i)
      copyAudio(files[i], folder.path() / copyName(tracks[i], files[i]));
    folder.updateStatus(
        [](MeetingStatus& status) { status.state = MeetingStatus::State::processing; });
  } catch (...) {
    // A half-made import would later turn into a meeting without audio.
    std::error_code ignored;
    fs::remove_all(folder.path(), ignored);
    throw;
  }
  return folder;
}

}  // namespace kelv::core
