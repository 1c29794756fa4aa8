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

report::Report Router(const std::string& name, int entries) {
  report::Report r;
  r.device = name;
  r.agent = "test agent";
  for (int i = 0; i < entries; ++i) {
    r.labelEntries.push_back({"default", "lsp-" + std::to_string(i), std::to_string(16 + i), "3",
                              10, "ATM2/0.1", "10.0.0.2", std::vector<int>{11},
                              std::vector<std::string>{"ATM2/0.2"}});
  }
  r.interfaces.push_back({10, std::string("ATM2/0.1"), std::string("default"), std::nullopt});
  report::Vrf red;
  red.virtualRouter = "default";
  red.name = "red";
  red.importRouteTargets = std::vector<std::string>{"100:1"};
  r.vrfs.push_back(red);
  r.warnings.push_back({"a warning", "default", std::nullopt});
  return r;
}

store::DeviceOutcome Ok(const report::Report& found) {
  return {found.device, "devices/" + found.device, "ok", "", 0.5, ""};
}

int64_t StoreRun(const std::string& where, const std::vector<report::Report>& devices,
                 const std::vector<store::DeviceOutcome>& failed, bool finish) {
  store::ResultsStore results;
  int64_t run = 0;
  Status done = results.Open(where);
  if (done.ok()) done = results.BeginRun("fleet.yaml").Into(run);
  for (const report::Report& device : devices) {
    if (done.ok()) done = results.StoreDevice(run, Ok(device), &device);
  }
  for (const store::DeviceOutcome& outcome : failed) {
    if (done.ok()) done = results.StoreDevice(run, outcome, nullptr);
  }
  if (done.ok() && finish) done = results.FinishRun(run);
  EXPECT_TRUE(done.ok()) << done.message();
  return run;
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
