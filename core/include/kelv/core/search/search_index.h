// A full-text index of every Meeting file the meetings list knows: each class's title, each
// notes block and each transcript turn, kept in an SQLite FTS5 database with case and accents
// folded. It is never the source of truth: update() brings it in line with the files, judging
// each by its identity, size and modification time, and a missing, foreign or damaged database
// is made anew from them.
//
// One SearchIndex is one connection and belongs to one thread at a time. Any number of
// connections in any threads and processes may search while one of them updates: the database
// runs in WAL mode, so readers see the last finished batch and never wait on the writer.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/search/search_hit.h"

namespace kelv::core {

class SqliteDatabase;

class SearchIndex {
 public:
  struct UpdateReport {
    int indexed = 0;       // files read anew
    int removed = 0;       // files no longer listed
    int skipped = 0;       // files that could not be read
    bool rebuilt = false;  // the database was missing, foreign or damaged
    bool operator==(const UpdateReport&) const = default;
  };
  // Called with the files read so far and the number to read, after each one.
  using Progress = std::function<void(int done, int total)>;
  // An update reading this many files or more takes long enough to show how far it is.
  static constexpr int kFilesWorthProgress = 20;

  // Opens the index at `file` (mode 0600, parent folders 0700), making it anew when it is
  // missing, not an index of this kind, or damaged. Throws SqliteError or PlatformError when
  // even a fresh one can't be made.
  explicit SearchIndex(std::filesystem::path file);
  ~SearchIndex();
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  // Where the index of the meeting store rooted at `storeRoot` lives: beside the default root
  // ($XDG_DATA_HOME/Kelvora/search.sqlite), inside any other root.
  static std::filesystem::path pathFor(const std::filesystem::path& storeRoot);

  // Reads every listed Meeting file that changed since it was indexed and forgets those no
  // longer listed. A file that can't be read is skipped (and left out until it can). Damage
  // found on the way rebuilds the database and starts over.
  UpdateReport update(const std::vector<MeetingEntry>& entries, const Progress& progress = {});

  // The best hits for what the user typed, at most `limit`: title hits first, then notes, then
  // transcript turns, each by relevance and then newest class first. Text without any word
  // finds nothing. Throws SqliteError.
  std::vector<SearchHit> search(std::string_view text, int limit) const;

  const std::filesystem::path& file() const { return file_; }

 private:
  void open();
  bool createSchemaIfEmpty();
  void remake();
  UpdateReport updateWithLargerCache(const std::vector<MeetingEntry>& entries,
                                     const Progress& progress);
  UpdateReport updateOnce(const std::vector<MeetingEntry>& entries, const Progress& progress);

  std::filesystem::path file_;
  std::unique_ptr<SqliteDatabase> database_;
  bool rebuilt_ = false;
};

}  // namespace kelv::core
