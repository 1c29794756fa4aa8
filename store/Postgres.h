// The PostgreSQL engine of the store, over libpq: a connection named as
// libpq names one (`postgresql://USER@HOST[:PORT]/DB[?sslmode=...]`,
// `postgresql:///DB?host=/run/postgresql`, `postgresql://?service=NAME`).
// A password written in the connection is refused: it would sit on a command
// line and in the process list. libpq's own ways apply (~/.pgpass,
// PGPASSFILE, PGPASSWORD), and TLS is libpq's (sslmode, sslrootcert).
//
// The store's SQL runs as written for SQLite: `?` becomes `$1`, `$2`, ...;
// each statement is prepared once per connection.
#ifndef STORE_POSTGRES_H_
#define STORE_POSTGRES_H_

#include <map>
#include <memory>
#include <string>

#include "status/Result.h"
#include "store/SqlDatabase.h"

struct pg_conn;

namespace store {

class PostgresDatabase : public SqlDatabase {
 public:
  // Connects to `where`; fails (the message never holding a password) when
  // it is refused or cannot connect.
  static Result<std::unique_ptr<PostgresDatabase>> Connect(const std::string& where);
  PostgresDatabase(const PostgresDatabase&) = delete;
  PostgresDatabase& operator=(const PostgresDatabase&) = delete;
  ~PostgresDatabase() override;

  std::unique_ptr<SqlCursor> Prepare(const char* sql) override;
  void Execute(const char* sql) override;
  void Begin() override { Execute("BEGIN"); }
  void Commit() override;
  void Rollback() noexcept override;
  const std::string& Where() const override { return where_; }
  // The server's statement_timeout for this connection.
  void LimitQueryTime(int seconds) override;
  // After LISTEN: waits up to `milliseconds` for a notification, and takes
  // every one that came. True when one came; throws StoreError when the
  // connection is lost.
  bool WaitForNotification(int milliseconds);

 private:
  PostgresDatabase(pg_conn* connection, std::string where)
      : connection_(connection), where_(std::move(where)) {}

  pg_conn* connection_;
  std::string where_;
  std::map<std::string, std::string> prepared_;  // SQL -> statement name
};

// `postgresql://` or `postgres://`: a connection rather than a file.
bool IsPostgresLocation(const std::string& where);

// `sql` with each `?` outside quotes numbered as libpq's `$N`.
std::string NumberedParameters(const std::string& sql);

}  // namespace store

#endif  // STORE_POSTGRES_H_
