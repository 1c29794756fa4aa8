#include "store/Postgres.h"

#include <libpq-fe.h>

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace store {
namespace {

// libpq's messages end in a line break and may have lines of detail.
std::string FirstLine(const char* message) {
  std::string line = message ? message : "";
  line = line.substr(0, line.find('\n'));
  return line.empty() ? "the database did not say why" : line;
}

std::string ResultError(PGconn* connection, const PGresult* result) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  return FirstLine(primary ? primary : PQerrorMessage(connection));
}

struct Result {
  explicit Result(PGresult* r) : result(r) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  ~Result() { PQclear(result); }
  PGresult* result;
};

void CheckResult(PGconn* connection, const PGresult* result) {
  const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw StoreError(ResultError(connection, result));
  }
}

class PostgresCursor : public SqlCursor {
 public:
  PostgresCursor(PGconn* connection, std::string name)
      : connection_(connection), name_(std::move(name)) {}
  ~PostgresCursor() override { PQclear(result_); }

  void Reset() override {
    PQclear(result_);
    result_ = nullptr;
    row_ = -1;
    values_.clear();
  }
  // PostgreSQL's text holds no NUL character: it stands as U+FFFD.
  void BindText(int parameter, const std::string& text) override {
    std::string value;
    for (char c : text) {
      if (c == '\0') {
        value += "\xEF\xBF\xBD";
      } else {
        value += c;
      }
    }
    Set(parameter, std::move(value));
  }
  void BindInt(int parameter, int64_t number) override { Set(parameter, std::to_string(number)); }
  void BindReal(int parameter, double number) override {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", number);
    Set(parameter, text);
  }
  void BindNull(int parameter) override { Set(parameter, std::nullopt); }

  bool Next() override {
    if (!result_) {
      std::vector<const char*> values;
      for (const std::optional<std::string>& value : values_) {
        values.push_back(value ? value->c_str() : nullptr);
      }
      result_ = PQexecPrepared(connection_, name_.c_str(), static_cast<int>(values.size()),
                               values.data(), nullptr, nullptr, 0);
      CheckResult(connection_, result_);
    }
    return ++row_ < PQntuples(result_);
  }
  int Columns() const override { return PQnfields(result_); }
  bool IsNull(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
  std::optional<int64_t> Integer(int column) const override {
    if (IsNull(column)) return std::nullopt;
    const char* text = PQgetvalue(result_, row_, column);
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0') return std::nullopt;
    return number;
  }
  std::optional<std::string> TextValue(int column) const override {
    if (IsNull(column)) return std::nullopt;
    return std::string(PQgetvalue(result_, row_, column), PQgetlength(result_, row_, column));
  }
  double Real(int column) const override {
    return IsNull(column) ? 0 : std::strtod(PQgetvalue(result_, row_, column), nullptr);
  }

 private:
  void Set(int parameter, std::optional<std::string> value) {
    if (values_.size() < static_cast<size_t>(parameter)) values_.resize(parameter);
    values_[parameter - 1] = std::move(value);
  }

  PGconn* connection_;
  std::string name_;
  std::vector<std::optional<std::string>> values_;
  PGresult* result_ = nullptr;
  int row_ = -1;
};

void IgnoreNotice(void*, const char*) {}

}  // namespace

bool IsPostgresLocation(const std::string& where) {
  return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

std::string NumberedParameters(const std::string& sql) {
  std::string numbered;
  int next = 1;
  char quote = 0;
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?') {
      numbered += "$" + std::to_string(next++);
      continue;
    }
    numbered += c;
  }
  return numbered;
}

::Result<std::unique_ptr<PostgresDatabase>> PostgresDatabase::Connect(const std::string& where) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(where.c_str(), &error);
  if (!options) {
    // libpq's message quotes no value of the connection.
    Status failed = Status::Failure("the store's connection cannot be read: " + FirstLine(error));
    PQfreemem(error);
    return failed;
  }
  bool password = false;
  for (PQconninfoOption* option = options; option->keyword; ++option) {
    if (std::string(option->keyword) == "password" && option->val && *option->val) password = true;
  }
  PQconninfoFree(options);
  if (password) {
    // Not echoed: the connection holds the password.
    return Status::Failure(
        "the store's connection holds a password, which would show in the process list: give "
        "it in ~/.pgpass, PGPASSFILE, PGPASSWORD in the environment, or a PGPASSWORD line of the "
        "secrets file");
  }
  // A database host that does not answer must not hold a poller forever: a
  // connection gives up after 10 s unless the URL or PGCONNECT_TIMEOUT says
  // otherwise (a key before dbname is one that the URL may override).
  const char* timeout = std::getenv("PGCONNECT_TIMEOUT") ? nullptr : "10";
  const char* keywords[] = {"connect_timeout", "dbname", "client_encoding", "application_name",
                            nullptr};
  const char* values[] = {timeout, where.c_str(), "UTF8", "erx-discover", nullptr};
  PGconn* connection =
      PQconnectdbParams(keywords + (timeout ? 0 : 1), values + (timeout ? 0 : 1), 1);
  if (!connection || PQstatus(connection) != CONNECTION_OK) {
    Status failed =
        Status::Failure(where + ": cannot connect: " +
                        (connection ? FirstLine(PQerrorMessage(connection)) : "out of memory"));
    PQfinish(connection);
    return failed;
  }
  PQsetNoticeProcessor(connection, IgnoreNotice, nullptr);
  return std::unique_ptr<PostgresDatabase>(new PostgresDatabase(connection, where));
}

PostgresDatabase::~PostgresDatabase() { PQfinish(connection_); }

void PostgresDatabase::LimitQueryTime(int seconds) {
  Execute(("SET statement_timeout = " + std::to_string(seconds * 1000)).c_str());
}

std::unique_ptr<SqlCursor> PostgresDatabase::Prepare(const char* sql) {
  auto found = prepared_.find(sql);
  if (found == prepared_.end()) {
    const std::string name = "erx" + std::to_string(prepared_.size() + 1);
    Result result(
        PQprepare(connection_, name.c_str(), NumberedParameters(sql).c_str(), 0, nullptr));
    CheckResult(connection_, result.result);
    found = prepared_.emplace(sql, name).first;
  }
  return std::make_unique<PostgresCursor>(connection_, found->second);
}

void PostgresDatabase::Execute(const char* sql) {
  Result result(PQexec(connection_, sql));
  CheckResult(connection_, result.result);
}

void PostgresDatabase::Commit() {
  Result result(PQexec(connection_, "COMMIT"));
  CheckResult(connection_, result.result);
  // A transaction that failed earlier answers COMMIT with ROLLBACK.
  if (std::string(PQcmdStatus(result.result)) != "COMMIT") {
    throw StoreError("the transaction was rolled back");
  }
}

bool PostgresDatabase::WaitForNotification(int milliseconds) {
  const auto take = [this] {
    if (!PQconsumeInput(connection_)) throw StoreError(FirstLine(PQerrorMessage(connection_)));
    bool came = false;
    while (PGnotify* notice = PQnotifies(connection_)) {
      came = true;
      PQfreemem(notice);
    }
    return came;
  };
  if (take()) return true;
  pollfd socket = {PQsocket(connection_), POLLIN, 0};
  if (socket.fd < 0) throw StoreError("the connection is lost");
  if (poll(&socket, 1, milliseconds) <= 0) return false;
  return take();
}

void PostgresDatabase::Rollback() noexcept { PQclear(PQexec(connection_, "ROLLBACK")); }

}  // namespace store
