// The meeting library's root, under which every meeting folder lives.
//
// Holds nothing but its root; every operation reads the disk afresh. The root and every
// meeting folder are private to the user (mode 0700).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/library/meeting_folder.h"
#include "kelv/core/util/library_json.h"

namespace kelv::core {

class MeetingStore {
 public:
  explicit MeetingStore(std::filesystem::path root) : root_(std::move(root)) {}

  // $XDG_DATA_HOME/Kelvora/Meetings (~/.local/share/Kelvora/Meetings when unset).
  static std::filesystem::path defaultRoot();
  // `override` when present, else defaultRoot().
  static std::filesystem::path rootFor(const std::optional<std::filesystem::path>& override);

  const std::filesystem::path& root() const { return root_; }

  // A new folder "yyyy-MM-dd-HHmmss-tag" (local time, 4 hex digits) in state `recording`.
  // A name already taken draws a new tag, so two meetings never share a folder.
  // Throws PlatformError; a failed status write leaves the empty folder behind.
  MeetingFolder create(Date startedAt, std::optional<std::string> language) const;

  // Every folder under the root that holds a meeting.json, sorted by name (oldest first).
  std::vector<MeetingFolder> list() const;

  // The folder named `id` when its meeting.json exists. An id that is not a plain folder name
  // (empty, ".", "..", or with a "/") never names a folder.
  std::optional<MeetingFolder> folder(const std::string& id) const;

  // One file becomes the `mixed` track, two become `mic` and `system`; the copies keep the
  // extension lower-cased ("audio" without one). The start is the given one, else the first
  // file's creation time, else now. Returns the folder in state `processing`. Throws
  // AudioError (not one or two files), PlatformError ("“x” is not an audio file." for
  // anything but a regular file, the copy's error otherwise); a failed import removes the
  // folder it made.
  MeetingFolder importAudio(const std::vector<std::filesystem::path>& files,
                            std::optional<Date> startedAt,
                            std::optional<std::string> language) const;

  // Repairs folders a crash left in `recording` (odd track lengths trimmed, `interrupted` set,
  // `endedAt` from the longest track) and moves them to `processing`. Folders someone holds
  // locked are being recorded and are left alone.
  std::vector<RecoveredMeeting> recoverInterruptedMeetings() const;

  // The meeting folders joined with the Meeting files of the notes folder that no folder
  // points to, newest first.
  std::vector<MeetingEntry> entries(const std::filesystem::path& notesFolder) const;

  // Gives the meeting a new title: in its Meeting file (front matter, first heading, file
  // name) and in its status. A title of blanks does nothing. Throws MeetingError (busy) and
  // PlatformError.
  void rename(const MeetingEntry& entry, const std::string& title) const;

  // Deletes the Meeting file and the folder. Throws MeetingError (busy) and PlatformError.
  void remove(const MeetingEntry& entry) const;

  static bool isPlainFolderName(const std::string& id);
  // "yyyy-MM-dd-HHmmss" of a date in the local time zone.
  static std::string stamp(Date date);

 private:
  std::filesystem::path root_;
};

// Creates a folder and its missing parents with mode 0700. Throws PlatformError.
void createPrivateDirectories(const std::filesystem::path& path);

}  // namespace kelv::core
