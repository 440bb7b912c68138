// The Meeting file: one Markdown file per processed meeting in the user's notes folder, with a
// YAML front matter block (schema, quoted title, local date with offset, minutes, participants,
// optional language/engine/interrupted, quoted meeting id), the title as heading, the notes and
// the timestamped transcript. Also its naming (date-stamped slug, free and sibling names) and
// the content hash that tells whether the user edited a file.
//
// Dates are shown in the process's current time zone (TZ or the system zone, looked up on each
// call) and the display title in the user's locale. Pure apart from the file-existence probes
// of freePath/siblingPath; safe from any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/transcript/turn.h"
#include "kelv/core/util/library_json.h"

namespace kelv::core::MeetingFileWriter {

struct Content {
  std::string meetingID;  // the meeting folder's name
  std::optional<std::string> title;
  Date startedAt;
  double duration = 0;  // seconds
  std::optional<std::string> language;
  std::optional<std::string> engine;  // the transcription backend's name
  bool interrupted = false;
  std::optional<std::string> notes;  // Markdown
  std::vector<Turn> turns;
  std::string defaultSpeaker;  // the participant named when no turn names one

  bool operator==(const Content&) const = default;
};

inline constexpr std::string_view kSchema = "kelvora/v1";

// The whole file text, ending with one line feed.
std::string markdown(const Content& content);

// The title, or the start time as the locale's abbreviated date and short time.
std::string displayTitle(const std::optional<std::string>& title, Date startedAt);

// The text as a double-quoted YAML scalar that reads back as the same text: backslashes and
// double quotes escaped, control characters and line breaks replaced by blanks.
std::string yamlQuoted(std::string_view text);

// SHA-256 of the bytes as 64 lower-case hexadecimal digits.
std::string hash(std::string_view bytes);

// Lower-case ASCII letters and digits joined by hyphens, at most 60 characters, never empty
// ("meeting" when nothing is left).
std::string slug(std::string_view text);

// "yyyy-MM-dd-HHmm-" (local time) followed by the slug of the title.
std::string baseName(const std::optional<std::string>& title, Date startedAt);

// base.md in the folder, or base-2.md, base-3.md, … : the first name under which nothing
// exists (a dangling symbolic link counts as something).
std::filesystem::path freePath(std::string_view base, const std::filesystem::path& folder);

// A free name beside an existing Meeting file, for a new version next to a file the user
// edited: copies of x.md are numbered x-2.md, x-3.md, never x-2-2.md while x.md exists.
std::filesystem::path siblingPath(const std::filesystem::path& file);

}  // namespace kelv::core::MeetingFileWriter
