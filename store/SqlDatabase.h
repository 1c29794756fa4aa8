// What the store needs of an SQL engine: prepared statements with bound
// parameters (values never go into SQL text), rows read column by column, and
// write transactions that roll back unless committed. The store's SQL is
// written once for both engines (SQLite and PostgreSQL): `?` parameters,
// `INSERT ... RETURNING id`, and a `rowid` that keeps the rows of a list in
// their order (SQLite's own; a column of that name in PostgreSQL).
//
// Any failure throws StoreError, caught where the store's public functions
// turn it into a problem line.
//
//   Statement insert(db, "INSERT INTO runs(started_at, inventory) VALUES (?, ?) RETURNING id");
//   const int64_t run = insert.Bind(now).Bind(inventory).Insert();
//   Statement rows(db, "SELECT id, name FROM devices WHERE run_id = ?");
//   for (rows.Bind(run); rows.Next();) use(rows.Int(0), rows.Text(1));
#ifndef STORE_SQLDATABASE_H_
#define STORE_SQLDATABASE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace store {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One prepared statement of an engine.
class SqlCursor {
 public:
  virtual ~SqlCursor() = default;
  // Forgets the bindings and any rows not read; parameter numbers start at 1.
  virtual void Reset() = 0;
  virtual void BindText(int parameter, const std::string& validUtf8) = 0;
  virtual void BindInt(int parameter, int64_t number) = 0;
  virtual void BindReal(int parameter, double number) = 0;
  virtual void BindNull(int parameter) = 0;
  // Runs the statement (at the first call after Reset) and steps to its
  // next row; false after the last one.
  virtual bool Next() = 0;
  virtual int Columns() const = 0;
  virtual bool IsNull(int column) const = 0;
  // The column's value when it holds an integer; none when NULL or not one.
  virtual std::optional<int64_t> Integer(int column) const = 0;
  // The column's value when it holds text; none when NULL or not text.
  virtual std::optional<std::string> TextValue(int column) const = 0;
  virtual double Real(int column) const = 0;
};

// A connection to one store.
class SqlDatabase {
 public:
  virtual ~SqlDatabase() = default;
  virtual std::unique_ptr<SqlCursor> Prepare(const char* sql) = 0;
  // Statements without parameters or rows (schema, settings).
  virtual void Execute(const char* sql) = 0;
  // A write transaction: the engine's write lock is taken at once, so that a
  // writer waits for the others instead of failing at its first write.
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  // The store as its user named it (a file, or a connection without secrets),
  // for messages.
  virtual const std::string& Where() const = 0;
  // Queries that run past `seconds` from now stop and throw (a reader that
  // answers people must not hang on one slow question).
  virtual void LimitQueryTime(int seconds) = 0;
};

// A prepared statement; each Bind fills the next parameter. Text is bound as
// valid UTF-8 (ReportText.h); an absent optional is NULL.
class Statement {
 public:
  Statement(SqlDatabase& db, const char* sql) : cursor_(db.Prepare(sql)) {}

  // Starts over: the next Bind is parameter 1 again.
  Statement& Reset();
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
  // Runs an INSERT ... RETURNING id; the new row's id.
  int64_t Insert();
  // Steps to the next row of a query; false after the last one.
  bool Next() { return cursor_->Next(); }

  // Lenient reads, for columns the schema constrains (ids, counts). Rows a
  // user may have edited are read through StoredRow (StoredRow.h).
  bool IsNull(int column) const { return cursor_->IsNull(column); }
  int64_t Int(int column) const { return cursor_->Integer(column).value_or(0); }
  double Real(int column) const { return cursor_->Real(column); }
  std::string Text(int column) const { return cursor_->TextValue(column).value_or(""); }
  const SqlCursor& Cursor() const { return *cursor_; }

 private:
  std::unique_ptr<SqlCursor> cursor_;
  int next_ = 1;
};

// Begin() on construction; Rollback() on destruction unless Commit() ran.
class Transaction {
 public:
  explicit Transaction(SqlDatabase& db) : db_(db) { db_.Begin(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() {
    if (open_) db_.Rollback();
  }
  void Commit() {
    db_.Commit();
    open_ = false;
  }

 private:
  SqlDatabase& db_;
  bool open_ = true;
};

}  // namespace store

#endif  // STORE_SQLDATABASE_H_
