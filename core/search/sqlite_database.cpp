#include "sqlite_database.h"

namespace kelv::core {

namespace {

[[noreturn]] void fail(sqlite3* database, int code) {
  const char* detail = database ? sqlite3_errmsg(database) : sqlite3_errstr(code);
  throw SqliteError(code & 0xff, std::string("Search index error: ") + detail + ".");
}

}  // namespace

void checkSqlite(sqlite3* database, int code) {
  if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE) fail(database, code);
}

SqliteStatement::SqliteStatement(sqlite3* database, std::string_view sql) : database_(database) {
  checkSqlite(database_, sqlite3_prepare_v2(database_, sql.data(), static_cast<int>(sql.size()),
                                            &statement_, nullptr));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::bind(int position, std::string_view text) {
  checkSqlite(database_, sqlite3_bind_text(statement_, position, text.data(),
                                           static_cast<int>(text.size()), SQLITE_TRANSIENT));
  return *this;
}

SqliteStatement& SqliteStatement::bind(int position, int64_t value) {
  checkSqlite(database_, sqlite3_bind_int64(statement_, position, value));
  return *this;
}

SqliteStatement& SqliteStatement::bind(int position, double value) {
  checkSqlite(database_, sqlite3_bind_double(statement_, position, value));
  return *this;
}

SqliteStatement& SqliteStatement::bindNull(int position) {
  checkSqlite(database_, sqlite3_bind_null(statement_, position));
  return *this;
}

SqliteStatement& SqliteStatement::bindOptional(int position,
                                               const std::optional<std::string>& text) {
  return text ? bind(position, std::string_view(*text)) : bindNull(position);
}

SqliteStatement& SqliteStatement::bindOptional(int position, const std::optional<double>& value) {
  return value ? bind(position, *value) : bindNull(position);
}

bool SqliteStatement::step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  sqlite3_reset(statement_);
  fail(database_, code);
}

void SqliteStatement::run() {
  while (step()) {
  }
  reset();
}

void SqliteStatement::reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::isNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string SqliteStatement::text(int column) const {
  const auto* bytes = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return bytes ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size))
               : std::string();
}

int64_t SqliteStatement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::real(int column) const { return sqlite3_column_double(statement_, column); }

SqliteDatabase::SqliteDatabase(const std::filesystem::path& file, bool create) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
  const int code = sqlite3_open_v2(file.c_str(), &database_, flags, nullptr);
  if (code != SQLITE_OK) {
    const std::string detail = database_ ? sqlite3_errmsg(database_) : sqlite3_errstr(code);
    sqlite3_close(database_);
    database_ = nullptr;
    throw SqliteError(code & 0xff, "Search index error: " + detail + ".");
  }
  sqlite3_extended_result_codes(database_, 0);
  // Another connection's write holds the file only briefly; waiting beats failing.
  sqlite3_busy_timeout(database_, 5000);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(database_); }

void SqliteDatabase::execute(std::string_view sql) {
  checkSqlite(database_,
              sqlite3_exec(database_, std::string(sql).c_str(), nullptr, nullptr, nullptr));
}

}  // namespace kelv::core
