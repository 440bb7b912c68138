#include "kelv/core/library/meeting_folder.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <span>
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

MeetingStatus MeetingFolder::updateStatus(const std::function<void(MeetingStatus&)>& change) const {
  MeetingStatus status = readStatus();
  change(status);
  writeStatus(status);
  return status;
}

void MeetingFolder::writeCheckpoint(const std::string& name, const nlohmann::json& value) const {
  LibraryJson::writeFile(path_ / (name + ".json"), value, FileSystem::orPosix(files_));
}

namespace {

// The files of `tracks` in one listing of `folder`: track by track in the order given, ".pcm"
// files first within a track.
std::vector<fs::path> audioIn(const fs::path& folder, std::span<const Track> tracks) {
  std::vector<std::vector<fs::path>> byTrack(tracks.size());
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return {};
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) return {};
    const fs::path& entry = it->path();
    if (entry.extension() == ".json") continue;
    const std::string stem = entry.stem().string();
    for (size_t index = 0; index < tracks.size(); ++index)
      if (stem == toString(tracks[index])) byTrack[index].push_back(entry);
  }
  std::vector<fs::path> files;
  for (std::vector<fs::path>& group : byTrack) {
    std::stable_partition(group.begin(), group.end(),
                          [](const fs::path& file) { return file.extension() == ".pcm"; });
    files.insert(files.end(), std::make_move_iterator(group.begin()),
                 std::make_move_iterator(group.end()));
  }
  return files;
}

}  // namespace

std::vector<fs::path> MeetingFolder::trackFiles(Track track) const {
  return audioIn(path_, std::span<const Track>(&track, 1));
}

std::vector<fs::path> MeetingFolder::audioFiles() const { return audioIn(path_, kAllTracks); }

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
