// A thin layer over SQLite's C API for the store: prepared statements with
// bound parameters (values never go into SQL text) and transactions that
// roll back unless committed. Any SQLite failure throws SqliteError, caught
// where the store's public functions turn it into a problem line.
//
//   Statement insert(db, "INSERT INTO runs(inventory) VALUES (?)");
//   insert.Reset().Bind(inventory).Run();
//   Statement rows(db, "SELECT id, name FROM devices WHERE run_id = ?");
//   for (rows.Bind(run); rows.Next();) use(rows.Int(0), rows.Text(1));
#ifndef STORE_SQLITE_H_
#define STORE_SQLITE_H_

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace store {

class SqliteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws SqliteError with the connection's message unless `code` is `expected`.
// A store that cannot be written is explained instead: SQLite's own message
// names neither the file nor what to do.
void Check(sqlite3* db, int code, int expected = SQLITE_OK);
// Why `db` cannot be written (its file, or its folder, is read-only), as a
// sentence that says what to do.
std::string ReadOnlyProblem(sqlite3* db);
// Runs statements without parameters (schema, pragmas).
void Exec(sqlite3* db, const char* sql);

class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  // Starts over: the next Bind is parameter 1 again.
  Statement& Reset();

  // Each Bind fills the next parameter. Text is stored as valid UTF-8
  // (ReportText.h); an absent optional is NULL.
  Statement& Bind(const std::string& text);
  Statement& Bind(const char* text) { return Bind(std::string(text)); }
  Statement& Bind(const std::optional<std::string>& text);
  Statement& Bind(int64_t number);
  Statement& Bind(int number) { return Bind(static_cast<int64_t>(number)); }
  Statement& Bind(const std::optional<int>& number);
  Statement& Bind(double number);
  Statement& BindNull();

  // Runs a statement that returns no rows.
  void Run();
  // Runs an INSERT; the new row's id.
  int64_t Insert();
  // Steps to the next row of a query; false after the last one.
  bool Next();

  bool IsNull(int column) const;
  int64_t Int(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;  // "" for NULL
  std::optional<std::string> OptionalText(int column) const;
  std::optional<int> OptionalInt(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  int next_ = 1;
};

// BEGIN IMMEDIATE on construction (the write lock at once, so that a writer
// waits for others in the busy timeout instead of failing at its first
// write); ROLLBACK on destruction unless Commit() ran.
class Transaction {
 public:
  explicit Transaction(sqlite3* db);
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit();

 private:
  sqlite3* db_;
  bool open_ = true;
};

}  // namespace store

#endif  // STORE_SQLITE_H_
