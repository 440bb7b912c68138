// A Meeting file as the export formats read it: the title, date and length for the top of a
// document, the notes as the window's blocks, and the transcript's lines with their times in
// seconds and their speakers as the window names them. Read from the file as it is now, so
// what the user edited is what goes out. Plain value; reading does blocking file input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelv/core/library/meeting_file_blocks.h"
#include "kelv/core/util/date_text.h"

namespace kelv::core {

struct SpokenLine {
  double start = 0;     // seconds from the class's start
  std::string time;     // "hh:mm:ss" as written
  std::string speaker;  // as shown ("Yo", "Profe", a name); empty when the line names none
  std::string text;
};

struct ExportedMeeting {
  std::string title;
  std::optional<Date> date;
  double duration = 0;  // seconds; never before the last line's start
  std::optional<std::string> language;
  std::vector<std::string> tags;  // words without blanks, for card decks
  std::vector<Block> notes;       // the blocks before the transcript, the title heading out
  std::string notesMarkdown;      // the same notes as written in the file
  std::vector<SpokenLine> transcript;

  // `duration` (seconds) when the caller knows it exactly; otherwise the file's minutes.
  // The title falls back to the file's name without its extension.
  static ExportedMeeting parse(std::string_view markdown, std::string_view fileName,
                               std::optional<double> duration = std::nullopt,
                               std::string_view locale = {});
  // Throws PlatformError when the file can't be read.
  static ExportedMeeting read(const std::filesystem::path& file,
                              std::optional<double> duration = std::nullopt);

  // "14 mar 2025 · 1h 32m": the date in the locale's medium form (local time) and the length,
  // the date left out when unknown.
  std::string dateAndLength(std::string_view locale = {}) const;
};

}  // namespace kelv::core
