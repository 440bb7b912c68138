#include "kelv/core/library/meeting_folder.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "kelv/core/library/meeting_error.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

namespace fs = std::filesystem;

MeetingStatus MeetingFolder::readStatus() const {
  return meetingStatusFromJson(LibraryJson::readFile(statusPath()));
}

void MeetingFolder::writeStatus(const MeetingStatus& status) const {
  LibraryJson::writeFile(statusPath(), nlohmann::json(status), FileSystem::orPosix(files_));
}

MeetingStatus MeetingFolder::updateStatus(
    const std::function<void(MeetingStatus&)>& change) const {
  MeetingStatus status = readStatus();
  change(status);
  writeStatus(status);
  return status;
}

void MeetingFolder::writeCheckpoint(const std::string& name, const nlohmann::json& value) const {
  LibraryJson::writeFile(path_ / (name + ".json"), value, FileSystem::orPosix(files_));
}

std::vector<fs::path> MeetingFolder::trackFiles(Track track) const {
  std::vector<fs::path> files;
  std::error_code error;
  fs::directory_iterator it(path_, error);
  if (error) return files;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) return {};
    const fs::path& entry = it->path();
    if (entry.stem().string() == toString(track) && entry.extension() != ".json")
      files.push_back(entry);
  }
  std::stable_partition(files.begin(), files.end(),
                        [](const fs::path& file) { return file.extension() == ".pcm"; });
  return files;
}

bool MeetingFolder::isMixed() const {
  std::error_code error;
  return !trackFiles(Track::mixed).empty() || fs::exists(path_ / "mixed.json", error);
}

MeetingLock MeetingFolder::lock() const {
  if (auto held = MeetingLock::acquire(path_, 10)) return std::move(*held);
  std::error_code error;
  if (fs::exists(fs::symlink_status(path_, error))) throw MeetingError(MeetingError::Kind::busy);
  throw PlatformError::fromErrno(ENOENT, "open the Meeting", path_);
}

bool MeetingFolder::isBusy() const {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(path_, error))) return false;
  return !MeetingLock::acquire(path_, 1).has_value();
}

}  // namespace kelv::core
