// Repairing recordings that a crash left in the middle.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "kelv/core/audio/track_audio.h"
#include "kelv/core/library/meeting_store.h"

namespace kelv::core {

namespace {

// Drops a trailing half sample, so the track holds whole 16-bit samples. Returns whether the
// track could be opened.
bool trimToWholeSamples(const std::filesystem::path& track) {
  const int fd = ::open(track.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size > 0 && size % 2 == 1) (void)!::ftruncate(fd, size - 1);
  ::close(fd);
  return true;
}

}  // namespace

std::vector<RecoveredMeeting> MeetingStore::recoverInterruptedMeetings() const {
  std::vector<RecoveredMeeting> recovered;
  for (const MeetingFolder& folder : list()) {
    try {
      if (folder.readStatus().state != MeetingStatus::State::recording) continue;
    } catch (...) {
      continue;
    }
    auto lock = MeetingLock::acquire(folder.path(), 10);
    if (!lock) continue;  // a recorder still holds it

    double longest = 0;
    for (const auto& track : {folder.micTrackPath(), folder.systemTrackPath()})
      if (trimToWholeSamples(track)) longest = std::max(longest, TrackAudio::duration(track));

    try {
      const MeetingStatus status = folder.updateStatus([&](MeetingStatus& status) {
        status.state = MeetingStatus::State::processing;
        status.interrupted = true;
        status.endedAt = status.startedAt + std::chrono::duration_cast<Date::duration>(
                                                std::chrono::duration<double>(longest));
      });
      recovered.push_back(RecoveredMeeting{folder, status.startedAt, longest});
    } catch (...) {
      continue;
    }
  }
  return recovered;
}

}  // namespace kelv::core
