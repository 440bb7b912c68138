#include "kelv/core/export/exported_meeting.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "kelv/core/library/frontmatter.h"
#include "kelv/core/library/meeting_file_header.h"
#include "kelv/core/transcript/speaker_label.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/duration_text.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {
namespace {

double secondsOf(const std::string& time) {
  int hours = 0, minutes = 0, seconds = 0;
  char end = 0;
  if (std::sscanf(time.c_str(), "%d:%d:%d%c", &hours, &minutes, &seconds, &end) != 3) return 0;
  return hours * 3600.0 + minutes * 60.0 + seconds;
}

// The notes as the file writes them: everything between the front matter (and the title
// heading) and the transcript heading.
std::string notesSource(std::string_view markdown, std::string_view title) {
  std::string body = Frontmatter::body(markdown);
  const std::string heading = "# " + std::string(title) + "\n";
  const size_t start = body.find_first_not_of("\n");
  if (start != std::string::npos && std::string_view(body).substr(start).starts_with(heading))
    body.erase(0, start + heading.size());
  size_t transcript = body.starts_with("## Transcript\n") ? 0 : body.find("\n## Transcript\n");
  if (transcript != std::string::npos) body.resize(transcript);
  return UnicodeText::trimmed(body);
}

// Tags are single words to a card deck: the class's own tags from a flat "tags:" line, split
// at commas and blanks, after one tag for the application and one for the title.
std::vector<std::string> tagsOf(const std::optional<std::map<std::string, std::string>>& fields,
                                const std::string& title) {
  std::string titleTag;
  for (const std::string& word : UnicodeText::words(title))
    titleTag += (titleTag.empty() ? "" : "_") + word;
  std::vector<std::string> tags{"tizara"};
  if (!titleTag.empty()) tags.push_back(std::move(titleTag));
  if (fields) {
    const auto found = fields->find("tags");
    if (found != fields->end()) {
      std::string value = found->second;
      std::erase_if(value, [](char c) { return c == '[' || c == ']' || c == '"' || c == '\''; });
      std::replace(value.begin(), value.end(), ',', ' ');
      for (const std::string& word : UnicodeText::words(value)) {
        if (std::find(tags.begin(), tags.end(), word) == tags.end()) tags.push_back(word);
      }
    }
  }
  return tags;
}

}  // namespace

ExportedMeeting ExportedMeeting::parse(std::string_view markdown, std::string_view fileName,
                                       std::optional<double> duration, std::string_view locale) {
  ExportedMeeting meeting;
  const std::string text = UnicodeText::repaired(markdown);
  const std::optional<MeetingFileHeader> header = MeetingFileHeader::parse(
      std::string_view(text).substr(0, MeetingFileHeader::kMaxBytes), fileName);
  if (header && header->title && !UnicodeText::isBlank(*header->title)) {
    meeting.title = *header->title;
  } else {
    meeting.title = std::filesystem::path(fileName).stem().string();
  }
  if (header) meeting.date = header->date;
  const auto fields = Frontmatter::fields(Frontmatter::lines(text));
  if (fields) {
    const auto language = fields->find("language");
    if (language != fields->end() && !language->second.empty()) meeting.language = language->second;
  }
  meeting.tags = tagsOf(fields, meeting.title);

  bool inTranscript = false;
  for (Block& block : MeetingFileBlocks::forTitle(text, meeting.title, locale)) {
    if (block.kind == Block::Kind::transcript) {
      inTranscript = true;
    } else if (block.kind == Block::Kind::turn) {
      SpokenLine line;
      line.start = secondsOf(block.time);
      line.time = std::move(block.time);
      if (block.speaker) line.speaker = speakerLabel(*block.speaker);
      line.text = std::move(block.text);
      meeting.transcript.push_back(std::move(line));
    } else if (!inTranscript) {
      meeting.notes.push_back(std::move(block));
    } else if (block.kind == Block::Kind::heading) {
      // A section the user added after the transcript belongs to the notes again.
      inTranscript = false;
      meeting.notes.push_back(std::move(block));
    }
  }
  meeting.notesMarkdown = notesSource(text, meeting.title);

  if (duration) {
    meeting.duration = *duration;
  } else if (header && header->minutes) {
    meeting.duration = static_cast<double>(*header->minutes) * 60;
  }
  if (!meeting.transcript.empty())
    meeting.duration = std::max(meeting.duration, meeting.transcript.back().start);
  return meeting;
}

ExportedMeeting ExportedMeeting::read(const std::filesystem::path& file,
                                      std::optional<double> duration) {
  return parse(AtomicFile::read(file), file.filename().string(), duration);
}

std::string ExportedMeeting::dateAndLength(std::string_view locale) const {
  std::string out;
  if (date) {
    const icu::Locale where =
        locale.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(locale).c_str());
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kLong, icu::DateFormat::kShort, where));
    if (format) {
      format->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
      const auto millis =
          std::chrono::duration_cast<std::chrono::milliseconds>(date->time_since_epoch());
      icu::UnicodeString written;
      format->format(static_cast<UDate>(millis.count()), written);
      written.toUTF8String(out);
    } else {
      out = DateText::localISO(*date);
    }
  }
  if (duration > 0) {
    if (!out.empty()) out += " · ";
    out += DurationText::abbreviated(duration);
  }
  return out;
}

}  // namespace kelv::core
