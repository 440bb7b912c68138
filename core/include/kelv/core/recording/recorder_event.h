// What a recorder tells its owner, on the recorder's queue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kelv/core/library/meeting_folder.h"

namespace kelv::core {

struct RecorderEvent {
  enum class Kind {
    lowDisk,  // free space fell below the warning threshold; once per recording
    stopped,  // the recorder ended the recording by itself (disk full or a write error)
  };

  Kind kind;
  int64_t freeBytes = 0;                // lowDisk
  std::optional<MeetingFolder> folder;  // stopped
  std::string reason;                   // stopped: the message for the user

  static RecorderEvent lowDisk(int64_t freeBytes) { return {Kind::lowDisk, freeBytes, {}, {}}; }
  static RecorderEvent stopped(MeetingFolder folder, std::string reason) {
    return {Kind::stopped, 0, std::move(folder), std::move(reason)};
  }
};

}  // namespace kelv::core
