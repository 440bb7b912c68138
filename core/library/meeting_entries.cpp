// Building the meetings list from the meeting folders and the notes folder.
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <system_error>
#include <utility>

#include "kelv/core/library/meeting_file_header.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

// A file's identity, whatever path reaches it (links, "..", another spelling of the folder):
// one stat where resolving the path would take one per component.
using FileIdentity = std::pair<dev_t, ino_t>;

std::optional<FileIdentity> identityOf(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}

std::optional<MeetingEntry> entryOf(const MeetingFolder& folder) {
  std::optional<MeetingStatus> status;
  try {
    status = folder.readStatus();
  } catch (...) {
    return std::nullopt;
  }
  MeetingEntry entry;
  entry.id = folder.id();
  entry.folder = folder;
  entry.date = status->startedAt;
  entry.duration = status->length();
  // Shown only when it still reads as a Meeting file: a path changed to point at any other
  // file is not the meeting's. (Acting on it is checked more strictly, link excluded.)
  std::optional<MeetingFileHeader> header;
  if (status->meetingFile && fs::path(*status->meetingFile).extension() == ".md")
    header = MeetingFileHeader::read(*status->meetingFile);
  if (header) entry.meetingFile = fs::path(*status->meetingFile);

  switch (status->state) {
    case MeetingStatus::State::needsAttention:
      entry.state = MeetingEntry::State::needsAttention;
      entry.message = status->lastError.value_or("Needs attention: Processing didn't finish.");
      break;
    case MeetingStatus::State::recording:
      entry.state = MeetingEntry::State::recording;
      break;
    case MeetingStatus::State::processing:
      entry.state = MeetingEntry::State::processing;
      break;
    case MeetingStatus::State::done:
      entry.state =
          status->interrupted ? MeetingEntry::State::interrupted : MeetingEntry::State::done;
      break;
  }

  const std::optional<std::string> title = header && header->title ? header->title : status->title;
  entry.title = MeetingFileWriter::displayTitle(title, status->startedAt);
  return entry;
}

}  // namespace

std::vector<MeetingEntry> MeetingStore::entries(const fs::path& notesFolder) const {
  std::vector<MeetingEntry> all;
  std::set<FileIdentity> shown;
  for (const MeetingFolder& folder : list()) {
    if (auto entry = entryOf(folder)) {
      if (entry->meetingFile)
        if (const auto identity = identityOf(*entry->meetingFile)) shown.insert(*identity);
      all.push_back(std::move(*entry));
    }
  }

  std::error_code error;
  fs::directory_iterator it(notesFolder, error);
  if (!error) {
    for (; it != fs::directory_iterator(); it.increment(error)) {
      if (error) break;
      const fs::path& file = it->path();
      if (file.extension() != ".md") continue;
      if (const auto identity = identityOf(file); identity && shown.count(*identity)) continue;
      const auto header = MeetingFileHeader::read(file);
      if (!header) continue;
      MeetingEntry entry;
      entry.id = file.string();
      entry.title = header->title.value_or(file.stem().string());
      if (header->date) {
        entry.date = *header->date;
      } else {
        std::error_code timeError;
        const auto modified = fs::last_write_time(file, timeError);
        entry.date = timeError ? Date::min()
                               : std::chrono::time_point_cast<Date::duration>(
                                     std::chrono::file_clock::to_sys(modified));
      }
      if (header->minutes) entry.duration = static_cast<double>(*header->minutes) * 60;
      entry.state = MeetingEntry::State::done;
      entry.meetingFile = file;
      all.push_back(std::move(entry));
    }
  }

  std::stable_sort(all.begin(), all.end(),
                   [](const MeetingEntry& a, const MeetingEntry& b) { return a.date > b.date; });
  return all;
}

}  // namespace kelv::core
