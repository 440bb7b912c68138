// Renaming and deleting meetings on the user's behalf.
#include <unistd.h>

#include <cctype>
#include <system_error>

#include "kelv/core/library/frontmatter.h"
#include "kelv/core/library/meeting_file_header.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/unicode_text.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

// "2025-03-14-0915": the stamp that Meeting file names begin with.
std::optional<std::string> datePrefix(const std::string& base) {
  static constexpr std::string_view kShape = "dddd-dd-dd-dddd";
  if (base.size() < kShape.size()) return std::nullopt;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(base[i])) != 0;
    if (kShape[i] == 'd' ? !digit : base[i] != '-') return std::nullopt;
  }
  return base.substr(0, kShape.size());
}

struct Rewrite {
  fs::path file;
  std::string oldHash;
  std::string newHash;
};

// The file with the new title in its front matter, first heading and name; nothing when the
// file can't be read (it then stays untouched).
std::optional<Rewrite> rewriteMeetingFile(const fs::path& file, const std::string& title,
                                          Date date) {
  std::string original;
  try {
    original = AtomicFile::read(file);
  } catch (const PlatformError&) {
    return std::nullopt;
  }
  std::vector<std::string> lines = Frontmatter::lines(UnicodeText::repaired(original));
  size_t headingFrom = 0;
  if (const auto fields = Frontmatter::fieldLines(lines)) {
    for (size_t i = fields->first; i < fields->second; ++i)
      if (lines[i].rfind("title:", 0) == 0)
        lines[i] = "title: " + MeetingFileWriter::yamlQuoted(title);
    headingFrom = fields->second + 1;
  }
  for (size_t i = headingFrom; i < lines.size(); ++i) {
    if (lines[i].rfind("# ", 0) == 0) {
      lines[i] = "# " + UnicodeText::plainLine(title);
      break;
    }
  }
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];

  const std::string oldBase = file.stem().string();
  const auto prefix = datePrefix(oldBase);
  const std::string newBase = prefix ? *prefix + "-" + MeetingFileWriter::slug(title)
                                     : MeetingFileWriter::baseName(title, date);
  const fs::path target =
      newBase == oldBase ? file : MeetingFileWriter::freePath(newBase, file.parent_path());
  AtomicFile::write(target, text, 0644);
  if (target != file && ::unlink(file.c_str()) != 0)
    throw PlatformError::fromErrno(errno, "remove", file);
  return Rewrite{target, MeetingFileWriter::hash(original), MeetingFileWriter::hash(text)};
}

// A meeting's file is checked again as it is acted on: what the status names may have been
// replaced since the list was made. A file of the notes folder without a folder is the entry.
bool ownsMeetingFile(const MeetingEntry& entry) {
  if (!entry.meetingFile) return false;
  return !entry.folder || MeetingFileHeader::isMeetingFile(*entry.meetingFile);
}

}  // namespace

void MeetingStore::rename(const MeetingEntry& entry, const std::string& newTitle) const {
  const std::string title = UnicodeText::trimmed(newTitle);
  if (title.empty()) return;
  std::optional<MeetingLock> lock;
  if (entry.folder) lock.emplace(entry.folder->lock());

  std::optional<Rewrite> rewrite;
  if (ownsMeetingFile(entry)) rewrite = rewriteMeetingFile(*entry.meetingFile, title, entry.date);

  if (entry.folder) {
    entry.folder->updateStatus([&](MeetingStatus& status) {
      status.title = title;
      if (rewrite) {
        // A hash that no longer matched marks a file the user edited; it stays stale so the
        // edit is still detected when the meeting is processed again.
        if (status.meetingFileHash && *status.meetingFileHash == rewrite->oldHash)
          status.meetingFileHash = rewrite->newHash;
        status.meetingFile = rewrite->file.string();
      }
    });
  }
}

void MeetingStore::remove(const MeetingEntry& entry) const {
  std::optional<MeetingLock> lock;
  std::error_code error;
  if (entry.folder && fs::exists(entry.folder->path(), error)) lock.emplace(entry.folder->lock());
  if (ownsMeetingFile(entry) && fs::exists(fs::symlink_status(*entry.meetingFile, error))) {
    if (::unlink(entry.meetingFile->c_str()) != 0)
      throw PlatformError::fromErrno(errno, "delete", *entry.meetingFile);
  }
  if (entry.folder) {
    if (!fs::exists(entry.folder->path(), error))
      throw PlatformError::fromErrno(ENOENT, "delete", entry.folder->path());
    fs::remove_all(entry.folder->path(), error);
    if (error) throw PlatformError::fromErrno(error.value(), "delete", entry.folder->path());
  }
}

}  // namespace kelv::core
