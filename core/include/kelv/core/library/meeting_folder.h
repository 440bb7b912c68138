// One meeting's folder in the meeting store: its status record, tracks, checkpoints and lock.
//
// A plain value naming a location; every operation reads the disk afresh and may be called
// from any thread. Writes of JSON files are atomic, so readers in other processes never see a
// partial record.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kelv/core/audio/track.h"
#include "kelv/core/library/meeting_lock.h"
#include "kelv/core/library/meeting_status.h"
#include "kelv/core/util/file_system.h"

namespace kelv::core {

class MeetingFolder {
 public:
  static constexpr const char* micTrackName = "mic.pcm";
  static constexpr const char* systemTrackName = "system.pcm";

  explicit MeetingFolder(std::filesystem::path path) : path_(std::move(path)) {}

  // The same folder, its status and checkpoints written through `files` (empty: the POSIX
  // file system). Compares equal to this one.
  MeetingFolder writingThrough(std::shared_ptr<FileSystem> files) const {
    MeetingFolder folder(path_);
    folder.files_ = std::move(files);
    return folder;
  }

  const std::filesystem::path& path() const { return path_; }
  // The folder's name: how the queue, the list and notifications refer to the meeting.
  std::string id() const { return path_.filename().string(); }
  std::filesystem::path statusPath() const { return path_ / "meeting.json"; }
  std::filesystem::path micTrackPath() const { return path_ / micTrackName; }
  std::filesystem::path systemTrackPath() const { return path_ / systemTrackName; }

  // Throws PlatformError (unreadable) or LibraryJson::DecodingError (malformed).
  MeetingStatus readStatus() const;
  void writeStatus(const MeetingStatus& status) const;
  // Read, change, write. Nothing is written when the read fails. Returns the written record.
  MeetingStatus updateStatus(const std::function<void(MeetingStatus&)>& change) const;
  // Writes `name`.json in the library style, atomically.
  void writeCheckpoint(const std::string& name, const nlohmann::json& value) const;

  // Entries named after the track (any extension but "json", or none): ".pcm" files first,
  // then the others, each group in listing order. Empty when the folder can't be listed.
  std::vector<std::filesystem::path> trackFiles(Track track) const;
  // The files of every track, mic, system and mixed in that order, from one listing.
  std::vector<std::filesystem::path> audioFiles() const;
  // The meeting is one imported recording: a `mixed` track file or mixed.json exists.
  bool isMixed() const;

  // 10 tries; throws MeetingError (busy) or PlatformError (ENOENT) when the folder is missing.
  MeetingLock lock() const;
  // Someone (possibly this very process) holds the folder's lock.
  bool isBusy() const;

  bool operator==(const MeetingFolder& other) const { return path_ == other.path_; }

 private:
  std::filesystem::path path_;
  std::shared_ptr<FileSystem> files_;
};

}  // namespace kelv::core

template <>
struct std::hash<kelv::core::MeetingFolder> {
  size_t operator()(const kelv::core::MeetingFolder& folder) const noexcept {
    return std::filesystem::hash_value(folder.path());
  }
};
