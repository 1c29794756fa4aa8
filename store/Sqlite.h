// The SQLite engine of the store: one file, many processes, one writer at a
// time (SqlDatabase.h says what the store asks of an engine).
#ifndef STORE_SQLITE_H_
#define STORE_SQLITE_H_

#include <sqlite3.h>

#include <chrono>
#include <string>

#include "store/SqlDatabase.h"

namespace store {

// Throws StoreError with the connection's message unless `code` is `expected`.
// A store that cannot be written is explained instead: SQLite's own message
// names neither the file nor what to do.
void Check(sqlite3* db, int code, int expected = SQLITE_OK);
// Why `db` cannot be written (its file, or its folder, is read-only), as a
// sentence that says what to do.
std::string ReadOnlyProblem(sqlite3* db);

class SqliteDatabase : public SqlDatabase {
 public:
  // Takes `db` over (closes it at the end) when `owned`.
  SqliteDatabase(sqlite3* db, std::string where, bool owned = true)
      : db_(db), where_(std::move(where)), owned_(owned) {}
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;
  ~SqliteDatabase() override;

  std::unique_ptr<SqlCursor> Prepare(const char* sql) override;
  void Execute(const char* sql) override;
  // BEGIN IMMEDIATE: the write lock at once, waited for in the busy timeout.
  void Begin() override { Execute("BEGIN IMMEDIATE"); }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() noexcept override;
  const std::string& Where() const override { return where_; }
  void LimitQueryTime(int seconds) override;

  sqlite3* Handle() const { return db_; }

 private:
  sqlite3* db_;
  std::chrono::steady_clock::time_point deadline_;
  std::string where_;
  bool owned_;
};

}  // namespace store

#endif  // STORE_SQLITE_H_
