#include "tests/support/PostgresServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// The newest server programs installed (/usr/lib/postgresql/VERSION/bin).
std::string ServerPrograms() {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
    if (std::filesystem::exists(entry.path() / "bin/pg_ctl")) found.push_back(entry.path() / "bin");
  }
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return found.empty() ? "" : found.back();
}

// A port of 127.0.0.1 free a moment ago.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

}  // namespace

PostgresServer::PostgresServer(Listening listening) : owner_(getpid()) {
  bin_ = ServerPrograms();
  if (bin_.empty()) {
    problem_ = "no PostgreSQL server programs in /usr/lib/postgresql (Debian postgresql)";
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "erx-pg-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    problem_ = "no temporary folder";
    return;
  }
  folder_ = pattern;
  asPostgres_ = geteuid() == 0;
  // The watchdog stops the server and removes the folder once every copy of
  // the pipe's end is closed: by the destructor, or by the program's end.
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    problem_ = "no pipe";
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    return;
  }
  watchdog_ = fork();
  if (watchdog_ == 0) {
    close(pipeEnds[1]);
    char byte;
    while (read(pipeEnds[0], &byte, 1) > 0 || errno == EINTR) {
    }
    Command(bin_ + "/pg_ctl -D " + folder_ + "/pg -m immediate stop");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    _exit(0);
  }
  close(pipeEnds[0]);
  watchdogPipe_ = pipeEnds[1];

  const passwd* postgres = asPostgres_ ? getpwnam("postgres") : nullptr;
  if (asPostgres_) {
    if (!postgres || chown(folder_.c_str(), postgres->pw_uid, postgres->pw_gid) != 0) {
      problem_ = "cannot give the folder to the postgres user";
      return;
    }
  }
  if (mkdir((folder_ + "/sock").c_str(), 0700) != 0 ||
      (asPostgres_ &&
       chown((folder_ + "/sock").c_str(), postgres->pw_uid, postgres->pw_gid) != 0)) {
    problem_ = "cannot make the socket folder";
    return;
  }

  started_ = Start(listening);
}

bool PostgresServer::Start(Listening listening) {
  const bool tcp = listening == kPasswordOverTcp;
  if (!Command(bin_ + "/initdb -D " + folder_ + "/pg --auth-local=trust " +
               (tcp ? "--auth-host=scram-sha-256" : "--auth-host=trust") + " --no-sync -E UTF8")) {
    problem_ = "initdb failed";
    return false;
  }
  std::string listen = "listen_addresses=''";
  if (tcp) {
    port_ = FreePort();
    listen = "listen_addresses=127.0.0.1 -p " + std::to_string(port_);
  }
  if (!Command(bin_ + "/pg_ctl -D " + folder_ + "/pg -l " + folder_ + "/pg/server.log -w -o \"-c " +
               listen + " -k " + folder_ + "/sock -c fsync=off\" start")) {
    problem_ = "the server did not start (see " + folder_ + "/pg/server.log)";
    return false;
  }
  started_ = true;
  return !tcp ||
         Run("postgres", std::string("CREATE ROLE erx LOGIN PASSWORD '") + PasswordOf() + "'");
}

PostgresServer::~PostgresServer() {
  // A fork of the test program (a fleet's worker) owns nothing of it.
  if (getpid() != owner_) return;
  if (watchdogPipe_ >= 0) close(watchdogPipe_);
  if (watchdog_ > 0) waitpid(watchdog_, nullptr, 0);
}

bool PostgresServer::Command(const std::string& command) {
  const std::string quiet = " >>" + folder_ + "/commands.log 2>&1";
  const std::string line = asPostgres_ ? "runuser -u postgres -- " + command : command;
  const int status = std::system((line + quiet).c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string PostgresServer::Url(const std::string& name) const {
  return "postgresql:///" + name + "?host=" + folder_ + "/sock" +
         (port_ ? "&port=" + std::to_string(port_) : "") + (asPostgres_ ? "&user=postgres" : "");
}

std::string PostgresServer::TcpUrl(const std::string& name) const {
  return "postgresql://erx@127.0.0.1:" + std::to_string(port_) + "/" + name;
}

bool PostgresServer::Run(const std::string& name, const std::string& sql) {
  if (!started_) return false;
  PGconn* connection = PQconnectdb(Url(name).c_str());
  bool ok = PQstatus(connection) == CONNECTION_OK;
  if (ok) {
    PGresult* result = PQexec(connection, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    PQclear(result);
  }
  if (!ok) problem_ = sql + ": " + PQerrorMessage(connection);
  PQfinish(connection);
  return ok;
}

std::string PostgresServer::NewDatabase(const std::string& name) {
  return Run("postgres", "CREATE DATABASE " + name + (port_ ? " OWNER erx" : "")) ? Url(name) : "";
}
