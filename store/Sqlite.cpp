#include "store/Sqlite.h"

#include <unistd.h>

#include <filesystem>

namespace store {
namespace {

class SqliteCursor : public SqlCursor {
 public:
  SqliteCursor(sqlite3* db, const char* sql) : db_(db) {
    Check(db_, sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr));
  }
  ~SqliteCursor() override { sqlite3_finalize(statement_); }

  void Reset() override {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  // SQLite copies the text (SQLITE_TRANSIENT): a caller may bind a temporary
  // and step later.
  void BindText(int parameter, const std::string& text) override {
    Check(db_, sqlite3_bind_text64(statement_, parameter, text.data(), text.size(),
                                   SQLITE_TRANSIENT, SQLITE_UTF8));
  }
  void BindInt(int parameter, int64_t number) override {
    Check(db_, sqlite3_bind_int64(statement_, parameter, number));
  }
  void BindReal(int parameter, double number) override {
    Check(db_, sqlite3_bind_double(statement_, parameter, number));
  }
  void BindNull(int parameter) override { Check(db_, sqlite3_bind_null(statement_, parameter)); }

  bool Next() override {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    Check(db_, code, SQLITE_DONE);
    return false;
  }
  int Columns() const override { return sqlite3_column_count(statement_); }
  bool IsNull(int column) const override {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
  }
  std::optional<int64_t> Integer(int column) const override {
    if (sqlite3_column_type(statement_, column) != SQLITE_INTEGER) return std::nullopt;
    return sqlite3_column_int64(statement_, column);
  }
  std::optional<std::string> TextValue(int column) const override {
    if (sqlite3_column_type(statement_, column) != SQLITE_TEXT) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text, sqlite3_column_bytes(statement_, column)) : std::string();
  }
  double Real(int column) const override { return sqlite3_column_double(statement_, column); }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

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
  if (db && (code & 0xff) == SQLITE_READONLY) throw StoreError(ReadOnlyProblem(db));
  throw StoreError(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

SqliteDatabase::~SqliteDatabase() {
  if (owned_) sqlite3_close(db_);
}

void SqliteDatabase::LimitQueryTime(int seconds) {
  deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  // SQLite asks this every few thousand steps of a query; past the deadline
  // the query is interrupted and fails.
  sqlite3_progress_handler(
      db_, 10000,
      [](void* deadline) {
        return std::chrono::steady_clock::now() >
                       *static_cast<std::chrono::steady_clock::time_point*>(deadline)
                   ? 1
                   : 0;
      },
      &deadline_);
}

std::unique_ptr<SqlCursor> SqliteDatabase::Prepare(const char* sql) {
  return std::make_unique<SqliteCursor>(db_, sql);
}

void SqliteDatabase::Execute(const char* sql) {
  Check(db_, sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

void SqliteDatabase::Rollback() noexcept {
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace store
