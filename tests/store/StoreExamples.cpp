#include "tests/store/StoreExamples.h"

#include <grp.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "discovery/Discovery.h"

report::Report ShippedReport(const std::string& name) {
  ReplayTransport device;
  report::Report found;
  const Status loaded = device.Load(std::string(ERX_SOURCE_DIR) + "/devices/" + name);
  EXPECT_TRUE(loaded.ok()) << loaded.message();
  DiscoveryOptions options;
  options.modulePath = ERX_MODULE_PATH;
  const Status discovered = DiscoverCapturedDevice(device, options, found);
  EXPECT_TRUE(discovered.ok()) << discovered.message();
  return found;
}

store::DeviceOutcome Ok(const report::Report& found) {
  return {found.device, "devices/" + found.device, "ok", "", 0.5, ""};
}

Rows Query(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  Rows rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        rows.back().push_back(text ? text : "NULL");
      }
    }
  }
  EXPECT_NE(statement, nullptr) << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

void Execute(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  char* error = nullptr;
  sqlite3_open(path.c_str(), &db);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::string ReadBytes(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

std::string Unprivileged(const std::function<std::string()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    const gid_t nogroup = 65534;
    const uid_t nobody = 65534;
    if (geteuid() == 0 &&
        (setgroups(1, &nogroup) != 0 || setgid(nogroup) != 0 || setuid(nobody) != 0)) {
      _exit(1);
    }
    const std::string said = work();
    const ssize_t ignored = write(channel[1], said.data(), said.size());
    (void)ignored;
    _exit(0);
  }
  close(channel[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) said.append(buffer, got);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? said : "the child failed";
}
