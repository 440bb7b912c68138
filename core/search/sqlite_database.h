// A thin owner of one SQLite connection and its prepared statements, private to the search
// index. A connection belongs to one thread at a time; each thread opens its own.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelv::core {

// A failure SQLite reported; `code` is its primary result code (SQLITE_CORRUPT, SQLITE_NOTADB …).
class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const noexcept { return code_; }
  // The file is damaged or not a database at all: only rebuilding it helps.
  bool meansDamaged() const noexcept { return code_ == SQLITE_CORRUPT || code_ == SQLITE_NOTADB; }

 private:
  int code_;
};

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* database, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Binding positions count from 1, as in SQLite.
  SqliteStatement& bind(int position, std::string_view text);
  SqliteStatement& bind(int position, int64_t value);
  SqliteStatement& bind(int position, double value);
  SqliteStatement& bindNull(int position);
  SqliteStatement& bindOptional(int position, const std::optional<std::string>& text);
  SqliteStatement& bindOptional(int position, const std::optional<double>& value);

  // Advances to the next row; false when there is none. Throws SqliteError.
  bool step();
  // Runs a statement that returns no rows, then makes it ready for the next binding.
  void run();
  void reset();

  bool isNull(int column) const;
  std::string text(int column) const;
  int64_t integer(int column) const;
  double real(int column) const;

 private:
  sqlite3* database_;
  sqlite3_stmt* statement_ = nullptr;
};

class SqliteDatabase {
 public:
  // Opens (creating when asked) the file. Throws SqliteError.
  SqliteDatabase(const std::filesystem::path& file, bool create);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Runs one or more statements that return no rows. Throws SqliteError.
  void execute(std::string_view sql);
  SqliteStatement prepare(std::string_view sql) { return SqliteStatement(database_, sql); }

  sqlite3* handle() const { return database_; }

 private:
  sqlite3* database_ = nullptr;
};

// Throws SqliteError for a result code that is not a success.
void checkSqlite(sqlite3* database, int code);

}  // namespace kelv::core
