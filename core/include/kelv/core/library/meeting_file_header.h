// What the meetings list reads back from a Meeting file: title, date and length in minutes.
// Only the first 4 096 bytes are read, so listing a large notes folder stays cheap; a
// multi-byte character cut at that boundary is repaired rather than rejected. Plain value;
// reading does blocking file input on the calling thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kelv/core/util/library_json.h"

namespace kelv::core {

struct MeetingFileHeader {
  std::optional<std::string> title;
  std::optional<Date> date;
  std::optional<long long> minutes;

  bool operator==(const MeetingFileHeader&) const = default;

  // The header of the file, or nothing when it can't be opened or is not a Meeting file. A
  // file without front matter whose name starts with a "yyyy-MM-dd-HHmm" stamp is a Meeting
  // file with an empty header.
  static std::optional<MeetingFileHeader> read(const std::filesystem::path& file);

  // The same decision over the file's leading bytes (any bytes, not necessarily valid UTF-8)
  // and its name.
  static std::optional<MeetingFileHeader> parse(std::string_view leadingBytes,
                                                std::string_view fileName);

  // Whether a path stored in a meeting's status may still be acted on as its Meeting file
  // (replaced, renamed, deleted, written beside): a regular ".md" file, not a link, that still
  // has a header. Anything else was changed or planted by someone else and counts as absent.
  static bool isMeetingFile(const std::filesystem::path& file);

  static constexpr size_t kMaxBytes = 4096;
};

}  // namespace kelv::core
