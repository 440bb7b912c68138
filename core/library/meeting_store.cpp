#include "kelv/core/library/meeting_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <system_error>

#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/date_text.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core {

namespace fs = std::filesystem;

void createPrivateDirectories(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return;
  if (path.has_parent_path() && path.parent_path() != path)
    createPrivateDirectories(path.parent_path());
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    throw PlatformError::fromErrno(errno, "create the folder", path);
  if (!fs::is_directory(path, error))
    throw PlatformError::fromErrno(ENOTDIR, "create the folder", path);
}

fs::path MeetingStore::defaultRoot() { return dataHome() / "Kelvora" / "Meetings"; }

fs::path MeetingStore::rootFor(const std::optional<fs::path>& override) {
  return override ? *override : defaultRoot();
}

std::string MeetingStore::stamp(Date date) {
  return DateText::formatted(date, "%Y-%m-%d-%H%M%S", DateText::Zone::local);
}

MeetingFolder MeetingStore::create(Date startedAt, std::optional<std::string> language) const {
  createPrivateDirectories(root_);
  const std::string prefix = stamp(startedAt) + "-";
  fs::path path;
  for (;;) {
    const std::string tag = AsciiText::lowercased(randomUUID().substr(0, 4));
    path = root_ / (prefix + tag);
    if (::mkdir(path.c_str(), 0700) == 0) break;
    if (errno != EEXIST) throw PlatformError::fromErrno(errno, "create the Meeting folder", path);
  }
  MeetingFolder folder(path);
  folder.writeStatus(
      MeetingStatus(MeetingStatus::State::recording, startedAt, std::move(language)));
  return folder;
}

std::vector<MeetingFolder> MeetingStore::list() const {
  std::vector<MeetingFolder> folders;
  std::error_code error;
  fs::directory_iterator it(root_, error);
  if (error) return folders;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::error_code statusError;
    if (fs::exists(it->path() / "meeting.json", statusError)) folders.emplace_back(it->path());
  }
  std::stable_sort(folders.begin(), folders.end(),
                   [](const auto& a, const auto& b) { return a.id() < b.id(); });
  return folders;
}

bool MeetingStore::isPlainFolderName(const std::string& id) {
  return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos &&
         id.find('\0') == std::string::npos;
}

std::optional<MeetingFolder> MeetingStore::folder(const std::string& id) const {
  if (!isPlainFolderName(id)) return std::nullopt;
  MeetingFolder folder(root_ / id);
  std::error_code error;
  if (!fs::exists(folder.statusPath(), error)) return std::nullopt;
  return folder;
}

}  // namespace kelv::core
