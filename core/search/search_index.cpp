#include "kelv/core/search/search_index.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <set>

#include "kelv/core/library/meeting_store.h"
#include "kelv/core/search/search_query.h"
#include "kelv/core/util/platform_error.h"
#include "kelv/core/util/system_info.h"
#include "meeting_passages.h"
#include "passage_reader.h"
#include "sqlite_database.h"

namespace kelv::core {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFormat = "kelvora-search/3";
// A passage's rowid is its file's id shifted by this many bits plus its place in the file, so
// a file's passages are one rowid range: FTS5 finds and drops them without a scan.
constexpr int kPassageBits = 20;
constexpr int kFilesPerBatch = 64;
constexpr size_t kFilesReadAhead = 4;
constexpr int64_t kMostRanked = 1000;
constexpr char kOpenMark = '\x02';
constexpr char kCloseMark = '\x03';

// Every word is written three times: itself and its 2- and 3-letter prefixes, without which a
// query of a short prefix reads half the index. Merging segments 16 at a time rather than 4
// rewrites each word fewer times over a first build, for a few more segments per query.
// Without stored row sizes, bm25 counts the words of the rows it ranks (at most kMostRanked)
// rather than the index writing a size for every passage.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE files(
  id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, meeting TEXT NOT NULL,
  title TEXT NOT NULL, date INTEGER NOT NULL,
  device INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE VIRTUAL TABLE passages USING fts5(
  text, kind UNINDEXED, time UNINDEXED, speaker UNINDEXED, section UNINDEXED, block UNINDEXED,
  tokenize = 'unicode61 remove_diacritics 2', prefix = '2 3', columnsize = 0);
INSERT INTO passages(passages, rank) VALUES('automerge', 16);
INSERT INTO passages(passages, rank) VALUES('crisismerge', 64);
)sql";

struct FileStamp {
  int64_t device = 0, inode = 0, size = 0, mtime = 0;
  bool operator==(const FileStamp&) const = default;
};

struct IndexedFile {
  int64_t id = 0;
  std::string meeting, title;
  int64_t date = 0;
  FileStamp stamp;
};

std::optional<FileStamp> stampOf(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{
      static_cast<int64_t>(info.st_dev), static_cast<int64_t>(info.st_ino),
      static_cast<int64_t>(info.st_size),
      static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

int64_t dateCount(Date date) { return date.time_since_epoch().count(); }

// The file private to the user before SQLite opens it; SQLite gives its journal files the
// same mode.
void preparePrivateFile(const fs::path& file) {
  createPrivateDirectories(file.parent_path());
  const int descriptor =
      ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (descriptor < 0) throw PlatformError::fromErrno(errno, "open the search index", file);
  ::fchmod(descriptor, S_IRUSR | S_IWUSR);
  ::close(descriptor);
}

void removeDatabaseFiles(const fs::path& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ignored;
    fs::remove(fs::path(file.string() + suffix), ignored);
  }
}

// The snippet SQLite wrote, its marks taken out and kept as offsets, on one line.
void takeMarks(const std::string& marked, SearchHit& hit) {
  hit.snippet.clear();
  hit.marks.clear();
  for (const char c : marked) {
    if (c == kOpenMark) {
      hit.marks.push_back({hit.snippet.size(), hit.snippet.size()});
    } else if (c == kCloseMark) {
      if (!hit.marks.empty()) hit.marks.back().end = hit.snippet.size();
    } else {
      hit.snippet += c == '\n' || c == '\t' ? ' ' : c;
    }
  }
}

}  // namespace

SearchIndex::SearchIndex(fs::path file) : file_(std::move(file)) { open(); }

SearchIndex::~SearchIndex() = default;

fs::path SearchIndex::pathFor(const fs::path& storeRoot) {
  if (storeRoot == MeetingStore::defaultRoot()) return dataHome() / "Kelvora" / "search.sqlite";
  return storeRoot / "search.sqlite";
}

void SearchIndex::open() {
  try {
    preparePrivateFile(file_);
    database_ = std::make_unique<SqliteDatabase>(file_, false);
    database_->execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
    if (createSchemaIfEmpty()) return;
    SqliteStatement format = database_->prepare("SELECT value FROM meta WHERE key = 'format'");
    if (format.step() && format.text(0) == kFormat) return;
  } catch (const SqliteError& error) {
    if (!error.meansDamaged() && error.code() != SQLITE_ERROR) throw;
  }
  // Damaged, or some other database in our place: made anew, since the files hold it all.
  remake();
}

bool SearchIndex::createSchemaIfEmpty() {
  const auto isEmpty = [this] {
    SqliteStatement tables = database_->prepare("SELECT count(*) FROM sqlite_schema");
    tables.step();
    return tables.integer(0) == 0;
  };
  if (!isEmpty()) return false;
  // Checked again under the write lock: two programs may open a new index at once.
  database_->execute("BEGIN IMMEDIATE");
  if (isEmpty()) {
    database_->execute(std::string(kSchema) + "INSERT INTO meta VALUES('format', '" +
                       std::string(kFormat) + "');");
  }
  database_->execute("COMMIT");
  return true;
}

void SearchIndex::remake() {
  database_.reset();
  removeDatabaseFiles(file_);
  rebuilt_ = true;
  preparePrivateFile(file_);
  database_ = std::make_unique<SqliteDatabase>(file_, false);
  database_->execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
  createSchemaIfEmpty();
}

SearchIndex::UpdateReport SearchIndex::update(const std::vector<MeetingEntry>& entries,
                                              const Progress& progress) {
  try {
    return updateWithLargerCache(entries, progress);
  } catch (const SqliteError& error) {
    if (!error.meansDamaged()) throw;
  }
  remake();
  return updateWithLargerCache(entries, progress);
}

SearchIndex::UpdateReport SearchIndex::updateWithLargerCache(
    const std::vector<MeetingEntry>& entries, const Progress& progress) {
  // Merging the index's segments rereads what was just written: a 64 MB page cache while
  // updating makes a first build a third faster, and searching needs none of it afterwards.
  const auto giveBack = [this](bool wrote) {
    try {
      database_->execute("PRAGMA cache_size = -2000; PRAGMA shrink_memory;");
    } catch (const SqliteError&) {
      // Only memory is at stake, and the next update sets the size again.
    }
    // The allocator would otherwise keep a build's cache pages for the process's lifetime.
    // Only a write fills the cache enough to be worth the few milliseconds.
    if (wrote) ::malloc_trim(0);
  };
  database_->execute("PRAGMA cache_size = -65536");
  try {
    UpdateReport report = updateOnce(entries, progress);
    giveBack(report.indexed > 0);
    return report;
  } catch (...) {
    giveBack(true);
    throw;
  }
}

SearchIndex::UpdateReport SearchIndex::updateOnce(const std::vector<MeetingEntry>& entries,
                                                  const Progress& progress) {
  UpdateReport report;
  report.rebuilt = rebuilt_;
  rebuilt_ = false;

  std::map<std::string, IndexedFile> indexed;
  {
    SqliteStatement rows = database_->prepare(
        "SELECT id, path, meeting, title, date, device, inode, size, mtime FROM files");
    while (rows.step()) {
      indexed[rows.text(1)] = {
          rows.integer(0),
          rows.text(2),
          rows.text(3),
          rows.integer(4),
          {rows.integer(5), rows.integer(6), rows.integer(7), rows.integer(8)}};
    }
  }

  struct Pending {
    const MeetingEntry* entry;
    fs::path file;
    FileStamp stamp;
  };
  std::vector<Pending> toRead;
  std::vector<int64_t> toForget;
  std::set<std::string> listed;
  for (const MeetingEntry& entry : entries) {
    if (!entry.meetingFile) continue;
    const std::string path = entry.meetingFile->string();
    if (!listed.insert(path).second) continue;
    const auto found = indexed.find(path);
    const std::optional<FileStamp> stamp = stampOf(*entry.meetingFile);
    if (!stamp) {
      ++report.skipped;
      if (found != indexed.end()) toForget.push_back(found->second.id);
      continue;
    }
    if (found != indexed.end() && found->second.stamp == *stamp &&
        found->second.meeting == entry.id && found->second.title == entry.title &&
        found->second.date == dateCount(entry.date))
      continue;
    toRead.push_back({&entry, *entry.meetingFile, *stamp});
  }
  for (const auto& [path, file] : indexed)
    if (!listed.count(path)) {
      toForget.push_back(file.id);
      ++report.removed;
    }

  SqliteStatement forgetPassages =
      database_->prepare("DELETE FROM passages WHERE rowid BETWEEN ?1 AND ?2");
  SqliteStatement forgetFile = database_->prepare("DELETE FROM files WHERE id = ?1");
  const auto forget = [&](int64_t id) {
    forgetPassages.bind(1, id << kPassageBits).bind(2, ((id + 1) << kPassageBits) - 1).run();
    forgetFile.bind(1, id).run();
  };

  if (!toForget.empty()) {
    database_->execute("BEGIN IMMEDIATE");
    for (const int64_t id : toForget) forget(id);
    database_->execute("COMMIT");
  }
  if (toRead.empty()) return report;

  SqliteStatement addFile = database_->prepare(
      "INSERT INTO files(id, path, meeting, title, date, device, inode, size, mtime) "
      "VALUES(?9, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  SqliteStatement idTaken = database_->prepare("SELECT 1 FROM files WHERE id = ?1");
  SqliteStatement addPassage = database_->prepare(
      "INSERT INTO passages(rowid, text, kind, time, speaker, section, block) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  std::vector<PassageReader::File> files;
  for (const Pending& pending : toRead) files.push_back({pending.file, pending.entry->title});
  PassageReader reader(std::move(files), kFilesReadAhead);
  int done = 0;
  const int total = static_cast<int>(toRead.size());
  bool inBatch = false;
  try {
    for (const Pending& pending : toRead) {
      if (!inBatch) {
        database_->execute("BEGIN IMMEDIATE");
        inBatch = true;
      }
      const std::string path = pending.file.string();
      if (const auto found = indexed.find(path); found != indexed.end()) forget(found->second.id);
      // Read after the stamp was taken: a write in between leaves a stamp older than the text,
      // so the next update reads the file again rather than missing the change.
      const std::optional<std::vector<MeetingPassage>> passages = reader.next();
      if (!passages) {
        ++report.skipped;
      } else {
        const MeetingEntry& entry = *pending.entry;
        // A file's id is its class's start in seconds (the next free one when two start
        // together), so the passages' rowids run in the order of the classes' dates.
        int64_t id = std::max<int64_t>(
            1, std::chrono::duration_cast<std::chrono::seconds>(entry.date.time_since_epoch())
                   .count());
        while (idTaken.bind(1, id).step()) {
          idTaken.reset();
          ++id;
        }
        idTaken.reset();
        addFile.bind(9, id)
            .bind(1, path)
            .bind(2, entry.id)
            .bind(3, entry.title)
            .bind(4, dateCount(entry.date))
            .bind(5, pending.stamp.device)
            .bind(6, pending.stamp.inode)
            .bind(7, pending.stamp.size)
            .bind(8, pending.stamp.mtime)
            .run();
        int64_t place = 0;
        for (const MeetingPassage& passage : *passages) {
          if (place >= (int64_t{1} << kPassageBits)) break;
          addPassage.bind(1, (id << kPassageBits) + place++)
              .bind(2, passage.text)
              .bind(3, static_cast<int64_t>(passage.kind))
              .bindOptional(4, passage.time)
              .bindOptional(5, passage.speaker)
              .bind(6, passage.section);
          if (passage.block) {
            addPassage.bind(7, static_cast<int64_t>(*passage.block));
          } else {
            addPassage.bindNull(7);
          }
          addPassage.run();
        }
        ++report.indexed;
      }
      ++done;
      if (done % kFilesPerBatch == 0 || done == total) {
        database_->execute("COMMIT");
        inBatch = false;
      }
      if (progress) progress(done, total);
    }
  } catch (...) {
    if (inBatch) sqlite3_exec(database_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return report;
}

std::vector<SearchHit> SearchIndex::search(std::string_view text, int limit) const {
  std::vector<SearchHit> hits;
  const std::optional<std::string> expression = SearchQuery::matchExpression(text);
  if (!expression || limit <= 0) return hits;

  // The order first, the snippets only for the hits kept. Ranking weighs every match, so a
  // word found nearly everywhere ranks only its newest matches (rowids follow the classes'
  // dates): the cost of a query stays bounded, and older classes come after newer ones
  // anyway among equals.
  SqliteStatement best = database_->prepare(
      "SELECT p.rowid, f.meeting, f.title, f.date, p.kind, p.time, p.speaker, p.section, "
      "p.block FROM (SELECT rowid, kind, time, speaker, section, block, bm25(passages) AS score "
      "FROM passages WHERE passages MATCH ?1 ORDER BY rowid DESC LIMIT ?3) AS p "
      "CROSS JOIN files f ON f.id = (p.rowid >> 20) "
      "ORDER BY p.kind, p.score, f.date DESC LIMIT ?2");
  best.bind(1, *expression).bind(2, static_cast<int64_t>(limit)).bind(3, kMostRanked);
  std::vector<int64_t> rowids;
  while (best.step()) {
    rowids.push_back(best.integer(0));
    SearchHit hit;
    hit.meeting = best.text(1);
    hit.title = best.text(2);
    hit.date = Date(Date::duration(best.integer(3)));
    const int64_t kind = best.integer(4);
    hit.kind = kind == 0   ? SearchHit::Kind::title
               : kind == 1 ? SearchHit::Kind::notes
                           : SearchHit::Kind::turn;
    if (!best.isNull(5)) hit.time = best.real(5);
    if (!best.isNull(6)) hit.speaker = best.text(6);
    hit.section = best.text(7);
    if (!best.isNull(8)) hit.block = static_cast<int>(best.integer(8));
    hits.push_back(std::move(hit));
  }

  // All the snippets in one pass over the matches between the hits' rowids, which lie among
  // the newest ranked: each MATCH builds its word lists anew, which for a prefix costs far
  // more than reading them. The wanted rowids stay out of the WHERE clause, where SQLite
  // would run the MATCH once for each of them.
  if (rowids.empty()) return hits;
  const auto [lowest, highest] = std::minmax_element(rowids.begin(), rowids.end());
  SqliteStatement snippets = database_->prepare(
      "SELECT rowid, CASE WHEN rowid IN (SELECT value FROM json_each(?4)) "
      "THEN snippet(passages, 0, char(2), char(3), '…', 16) END FROM passages "
      "WHERE passages MATCH ?1 AND rowid BETWEEN ?2 AND ?3");
  std::string wanted = "[";
  std::map<int64_t, size_t> placeOf;
  for (size_t index = 0; index < rowids.size(); ++index) {
    if (index > 0) wanted += ',';
    wanted += std::to_string(rowids[index]);
    placeOf[rowids[index]] = index;
  }
  wanted += "]";
  snippets.bind(1, *expression).bind(2, *lowest).bind(3, *highest).bind(4, wanted);
  while (snippets.step()) {
    if (snippets.isNull(1)) continue;
    if (const auto found = placeOf.find(snippets.integer(0)); found != placeOf.end())
      takeMarks(snippets.text(1), hits[found->second]);
  }
  return hits;
}

}  // namespace kelv::core
