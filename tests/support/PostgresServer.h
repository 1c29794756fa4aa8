// A PostgreSQL server of a test's own: initdb and pg_ctl (Debian
// `postgresql`) into a temporary folder, as the `postgres` user when the
// tests run as root, listening only on a Unix socket in that folder, fsync
// off. It is stopped and its folder removed when the object goes, and also
// when the test program dies without that (a watchdog process waits for the
// program's end).
//
//   PostgresServer server;
//   ASSERT_TRUE(server.Started()) << server.Problem();
//   const std::string url = server.NewDatabase("fleet");  // postgresql:///fleet?host=...
//
// With a password over TCP it also listens on 127.0.0.1, where a login needs
// the password of user `erx` (PasswordOf()); its databases belong to `erx`:
//
//   PostgresServer server(PostgresServer::kPasswordOverTcp);
//   server.NewDatabase("fleet");
//   server.TcpUrl("fleet");                                // postgresql://erx@127.0.0.1:PORT/fleet
#ifndef TESTS_SUPPORT_POSTGRESSERVER_H_
#define TESTS_SUPPORT_POSTGRESSERVER_H_

#include <sys/types.h>

#include <string>

class PostgresServer {
 public:
  enum Listening { kSocketOnly, kPasswordOverTcp };
  explicit PostgresServer(Listening listening = kSocketOnly);
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  bool Started() const { return started_; }
  const std::string& Problem() const { return problem_; }

  // A new empty database on the server and the connection to it ("" with
  // Problem() set when it cannot be made).
  std::string NewDatabase(const std::string& name);
  // Runs `sql` on database `name` as the server's superuser; false with
  // Problem() set when it fails.
  bool Run(const std::string& name, const std::string& sql);
  // Stops the server (fast: its connections are cut) and starts it again.
  bool Restart() { return Command(bin_ + "/pg_ctl -D " + folder_ + "/pg -w -m fast restart"); }
  // The connection to database `name`.
  std::string Url(const std::string& name) const;
  // kPasswordOverTcp: the connection to database `name` over TCP, without
  // its password.
  std::string TcpUrl(const std::string& name) const;
  static const char* PasswordOf() { return "pg-Wq48v"; }

 private:
  bool Command(const std::string& command);
  bool Start(Listening listening);

  std::string folder_;
  std::string bin_;
  std::string problem_;
  bool started_ = false;
  bool asPostgres_ = false;
  int port_ = 0;  // kPasswordOverTcp: on 127.0.0.1 and in the socket's name
  pid_t owner_ = 0;
  pid_t watchdog_ = -1;
  int watchdogPipe_ = -1;
};

#endif  // TESTS_SUPPORT_POSTGRESSERVER_H_
