// Importing audio files as a new meeting.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "kelv/core/audio/audio_error.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

std::optional<Date> creationDate(const fs::path& file) {
  struct statx info {};
  if (statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &info) != 0 || !(info.stx_mask & STATX_BTIME))
    return std::nullopt;
  return Date(std::chrono::seconds(info.stx_btime.tv_sec)) +
         std::chrono::duration_cast<Date::duration>(std::chrono::nanoseconds(info.stx_btime.tv_nsec));
}

std::string copyName(Track track, const fs::path& source) {
  std::string extension = source.extension().string();
  if (extension.size() > 1) {
    extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  } else {
    extension = "audio";
  }
  return std::string(rawValue(track)) + "." + extension;
}

}  // namespace

MeetingFolder MeetingStore::importAudio(const std::vector<fs::path>& files,
                                        std::optional<Date> startedAt,
                                        std::optional<std::string> language) const {
  std::vector<Track> tracks;
  if (files.size() == 1) tracks = {Track::mixed};
  else if (files.size() == 2) tracks = {Track::mic, Track::system};
  else throw AudioError::noTracks();

  const Date start = startedAt ? *startedAt
                               : creationDate(files[0]).value_or(std::chrono::system_clock::now());
  const MeetingFolder folder = create(start, std::move(language));
  for (size_t i = 0; i < files.size(); ++i) {
    const fs::path target = folder.url() / copyName(tracks[i], files[i]);
    std::error_code error;
    fs::copy_file(files[i], target, fs::copy_options::overwrite_existing, error);
    if (error) throw PlatformError::fromErrno(error.value(), "copy", files[i]);
    ::chmod(target.c_str(), 0600);  // recordings are private, whatever the source's mode
  }
  folder.updateStatus([](MeetingStatus& status) { status.state = MeetingStatus::State::processing; });
  return folder;
}

}  // namespace kelv::core
