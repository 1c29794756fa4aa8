#include "store/Sqlite.h"

#include <unistd.h>

#include <filesystem>

#include "report/ReportText.h"

namespace store {

std::string ReadOnlyProblem(sqlite3* db) {
  const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
  if (!file || !*file) return "the store cannot be written";
  const std::string path = file;
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (!folder.empty() && access(folder.c_str(), W_OK) != 0) {
    return "the store's folder " + folder +
           " is read-only: SQLite keeps the store's journal beside it, even to read it (make the "
           "folder writable, or copy the store into a writable folder)";
  }
  if (access(path.c_str(), W_OK) != 0) {
    return "the store is a read-only file (make it writable: chmod u+w " + path + ")";
  }
  return std::string("the store cannot be written: ") + sqlite3_errmsg(db);
}

void Check(sqlite3* db, int code, int expected) {
  if (code == expected) return;
  if (db && (code & 0xff) == SQLITE_READONLY) throw SqliteError(ReadOnlyProblem(db));
  throw SqliteError(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void Exec(sqlite3* db, const char* sql) {
  Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
  Check(db_, sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr));
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  next_ = 1;
  return *this;
}

// SQLite copies the text (SQLITE_TRANSIENT): a caller may bind a temporary
// and step later.
Statement& Statement::Bind(const std::string& text) {
  if (IsValidUtf8(text)) {
    Check(db_, sqlite3_bind_text64(statement_, next_++, text.data(), text.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8));
  } else {
    const std::string valid = ValidUtf8(text);
    Check(db_, sqlite3_bind_text64(statement_, next_++, valid.data(), valid.size(),
                                   SQLITE_TRANSIENT, SQLITE_UTF8));
  }
  return *this;
}

Statement& Statement::Bind(const std::optional<std::string>& text) {
  return text ? Bind(*text) : BindNull();
}

Statement& Statement::Bind(int64_t number) {
  Check(db_, sqlite3_bind_int64(statement_, next_++, number));
  return *this;
}

Statement& Statement::Bind(const std::optional<int>& number) {
  return number ? Bind(*number) : BindNull();
}

Statement& Statement::Bind(double number) {
  Check(db_, sqlite3_bind_double(statement_, next_++, number));
  return *this;
}

Statement& Statement::BindNull() {
  Check(db_, sqlite3_bind_null(statement_, next_++));
  return *this;
}

void Statement::Run() {
  Check(db_, sqlite3_step(statement_), SQLITE_DONE);
  sqlite3_reset(statement_);
}

int64_t Statement::Insert() {
  Run();
  return sqlite3_last_insert_rowid(db_);
}

bool Statement::Next() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  Check(db_, code, SQLITE_DONE);
  return false;
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

double Statement::Real(int column) const { return sqlite3_column_double(statement_, column); }

std::string Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text ? std::string(text, sqlite3_column_bytes(statement_, column)) : std::string();
}

std::optional<std::string> Statement::OptionalText(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Text(column);
}

std::optional<int> Statement::OptionalInt(int column) const {
  if (IsNull(column)) return std::nullopt;
  return static_cast<int>(Int(column));
}

Transaction::Transaction(sqlite3* db) : db_(db) { Exec(db_, "BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  Exec(db_, "COMMIT");
  open_ = false;
}

}  // namespace store
