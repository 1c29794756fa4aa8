// erx-discover over a fleet: captured devices and simulated routers on
// 127.0.0.1 discovered by worker processes into a results store; routers that
// fail fail alone, a killed run leaves a consistent store, and diff names
// exactly what changed.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"

namespace fs = std::filesystem;
using namespace testing;

namespace {

const std::string kPe1 = kDevices + "pe1-erx";
const std::string kPe2 = kDevices + "pe2-erx-later-release";

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rows of a query on a store, each row's columns joined by '|'.
std::vector<std::string> Query(const std::string& store, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
          const unsigned char* text = sqlite3_column_text(statement, i);
          row += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(row);
      }
    } else {
      rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return rows;
}

std::string LiveDevice(const std::string& name, const SimulatedRouter& router,
                       const std::string& extra = "") {
  return "  - name: " + name + "\n    host: 127.0.0.1\n    telnet_port: " + router.TelnetPort() +
         "\n    snmp_port: " + router.SnmpPort() + "\n" + extra;
}

std::string CapturedDevice(const std::string& name, const std::string& dir) {
  return "  - name: " + name + "\n    capture: " + dir + "\n";
}

// Generous for routers that answer: the tests run under sanitizers on busy machines.
const char kDefaults[] = "defaults:\n  user: admin\n  timeout: 10\ndevices:\n";

TEST(FleetRun, RoutersThatFailFailAloneAndTheRestAreStored) {
  SimulatedRouter good1, good2, hanging, locked;
  ASSERT_TRUE(good1.Start(kPe1, {"--user", "admin"}, Secrets()));
  ASSERT_TRUE(good2.Start(kPe2, {"--user", "admin"}, Secrets()));
  ASSERT_TRUE(
      hanging.Start(kPe1, {"--user", "admin", "--fault", "hang-on=show ip vrf detail"}, Secrets()));
  ASSERT_TRUE(locked.Start(kPe1, {"--user", "admin"}, Secrets(), false));
  TempFolder work;
  const std::string inventory = work.Path() + "/fleet.yaml";
  WriteFile(inventory, std::string(kDefaults) + CapturedDevice("cap-pe1", kPe1) +
                           CapturedDevice("cap-pe2", kPe2) + LiveDevice("sim-pe1", good1) +
                           LiveDevice("sim-pe2", good2) +
                           // Each command may wait long: only the device deadline stops it.
                           LiveDevice("sim-hanging", hanging, "    timeout: 600\n") +
                           LiveDevice("sim-locked", locked, "    password_env: WRONG_PASSWORD\n"));
  Variables environment = Secrets();
  environment["WRONG_PASSWORD"] = "not-the-password";
  const std::string store = work.Path() + "/fleet.db";
  const DiscoverRun run =
      RunDiscover({"--inventory", inventory, "--jobs", "4", "--device-timeout", "20", "--store",
                   store, "--output-dir", work.Path() + "/reports"},
                  environment);

  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_THAT(run.out, ContainsRegex("\nsim-hanging +timeout .* not discovered within 20 s"));
  EXPECT_THAT(run.out, ContainsRegex("\nsim-locked +failed .* refused the login of user admin"));
  EXPECT_THAT(run.out, ContainsRegex("\nsim-pe1 +ok +5 +4 +5 +0 "));
  EXPECT_THAT(run.out, HasSubstr("6 devices: 4 discovered, 1 failed, 1 timeout"));
  EXPECT_THAT(Query(store, "SELECT name, status FROM devices ORDER BY name"),
              ElementsAre("cap-pe1|ok", "cap-pe2|ok", "sim-hanging|timeout", "sim-locked|failed",
                          "sim-pe1|ok", "sim-pe2|ok"));
  EXPECT_THAT(Query(store,
                    "SELECT d.name, COUNT(l.id) FROM devices d LEFT JOIN label_entries l "
                    "ON l.device_id = d.id GROUP BY d.id ORDER BY d.name"),
              ElementsAre("cap-pe1|5", "cap-pe2|5", "sim-hanging|0", "sim-locked|0", "sim-pe1|5",
                          "sim-pe2|5"));
  EXPECT_THAT(Query(store, "SELECT finished_at IS NOT NULL FROM runs"), ElementsAre("1"));

  // A live router's report file is the report of its capture.
  EXPECT_EQ(Found(Json::parse(ReadFile(work.Path() + "/reports/sim-pe1.json"), nullptr, false)),
            CaptureReport(kPe1));
  EXPECT_EQ(Found(Json::parse(ReadFile(work.Path() + "/reports/sim-pe2.json"), nullptr, false)),
            CaptureReport(kPe2));
  EXPECT_FALSE(fs::exists(work.Path() + "/reports/sim-locked.json"));
  EXPECT_FALSE(fs::exists(work.Path() + "/reports/sim-hanging.json"));

  for (const auto& [name, secret] : environment) {
    if (name.find("PASSWORD") == std::string::npos && name.find("KEY") == std::string::npos &&
        name != "ERX_COMMUNITY") {
      continue;
    }
    EXPECT_EQ(run.out.find(secret), std::string::npos) << name;
    EXPECT_EQ(run.err.find(secret), std::string::npos) << name;
    EXPECT_EQ(ReadFile(store).find(secret), std::string::npos) << name;
  }
}

TEST(FleetRun, ABadInventoryOrAMissingSecretContactsNoDevice) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kPe1, {"--user", "admin"}, Secrets(), false));
  TempFolder work;
  const std::string inventory = work.Path() + "/fleet.yaml";
  WriteFile(inventory, std::string(kDefaults) + LiveDevice("sim-pe1", router) +
                           "  - name: typo\n    capture: " + kPe1 + "\n    snmp_verison: 3\n");
  const std::string store = work.Path() + "/fleet.db";
  const DiscoverRun run = RunDiscover({"--inventory", inventory, "--store", store}, Secrets());
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr(inventory + ":11:"));
  EXPECT_THAT(run.err, HasSubstr("snmp_verison"));
  EXPECT_FALSE(fs::exists(store));

  // Well formed, but a secret that is nowhere: an empty password is sent to no router.
  WriteFile(inventory, std::string(kDefaults) + CapturedDevice("cap-pe1", kPe1) +
                           LiveDevice("sim-pe1", router, "    password_env: PE1_PASWORD\n"));
  const DiscoverRun unset = RunDiscover({"--inventory", inventory, "--store", store}, Secrets());
  EXPECT_EQ(unset.status, 2);
  EXPECT_EQ(unset.err,
            "erx-discover: " + inventory +
                ":11: device sim-pe1: PE1_PASWORD (the login "
                "password) is not set in the environment, and no secrets_file is given\n");
  EXPECT_FALSE(fs::exists(store));

  // Named in defaults: that is the line to mend.
  WriteFile(inventory, "defaults:\n  user: admin\n  password_env: LAB_PASWORD\ndevices:\n" +
                           CapturedDevice("cap-pe1", kPe1) + LiveDevice("sim-pe1", router));
  const DiscoverRun inDefaults =
      RunDiscover({"--inventory", inventory, "--store", store}, Secrets());
  EXPECT_EQ(inDefaults.status, 2);
  EXPECT_EQ(inDefaults.err,
            "erx-discover: " + inventory +
                ":3: defaults: LAB_PASWORD (the login "
                "password) is not set in the environment, and no secrets_file is given\n");
  EXPECT_FALSE(fs::exists(store));

  // The default variable, missing from the secrets file that defaults: names.
  const std::string secrets = work.Path() + "/secrets";
  WriteFile(secrets, "ERX_COMMUNITY=public\n");
  chmod(secrets.c_str(), 0600);
  WriteFile(inventory, "defaults:\n  user: admin\n  secrets_file: secrets\ndevices:\n" +
                           LiveDevice("sim-pe1", router));
  Variables environment = Secrets();
  environment.erase("ERX_PASSWORD");
  const DiscoverRun inFile = RunDiscover({"--inventory", inventory}, environment);
  EXPECT_EQ(inFile.status, 2);
  EXPECT_EQ(inFile.err, "erx-discover: " + inventory +
                            ":3: defaults: ERX_PASSWORD (the login "
                            "password) is set neither in the environment nor in " +
                            secrets + "\n");

  // Empty, in the file or the environment: as good as missing.
  WriteFile(secrets, "ERX_PASSWORD=\n");
  const DiscoverRun emptyInFile = RunDiscover({"--inventory", inventory}, environment);
  EXPECT_EQ(emptyInFile.status, 2);
  EXPECT_EQ(emptyInFile.err, "erx-discover: " + inventory +
                                 ":3: defaults: ERX_PASSWORD (the login "
                                 "password) is empty\n");
  WriteFile(inventory, "defaults:\n  user: admin\ndevices:\n" + LiveDevice("sim-pe1", router));
  environment["ERX_PASSWORD"] = "";
  const DiscoverRun emptyInEnvironment = RunDiscover({"--inventory", inventory}, environment);
  EXPECT_EQ(emptyInEnvironment.status, 2);
  EXPECT_THAT(emptyInEnvironment.err,
              HasSubstr("ERX_PASSWORD (the login password) is empty in the environment\n"));
  EXPECT_THAT(router.Stop(), Not(HasSubstr("connection\n")));
}

TEST(FleetRun, AKilledRunLeavesEveryFinishedDeviceWhole) {
  TempFolder work;
  const std::string inventory = work.Path() + "/fleet.yaml";
  std::string devices = kDefaults;
  const int kDevices = 400;
  for (int i = 0; i < kDevices; ++i) devices += CapturedDevice("pe" + std::to_string(i), kPe1);
  WriteFile(inventory, devices);
  const std::string store = work.Path() + "/fleet.db";

  const int devNull = open("/dev/null", O_WRONLY);
  const pid_t pid =
      Spawn(ERX_RUNNER_PATH, {"--inventory", inventory, "--jobs", "2", "--store", store}, {},
            devNull, devNull);
  close(devNull);
  auto stored = [&] {
    auto rows = Query(store, "SELECT COUNT(*) FROM devices");
    return rows.size() == 1 ? std::atoi(rows[0].c_str()) : 0;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (stored() < 4 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  Reap(pid, std::chrono::seconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // its workers die with it

  const int kept = stored();
  EXPECT_GE(kept, 4);
  EXPECT_LT(kept, kDevices);
  EXPECT_THAT(Query(store, "PRAGMA integrity_check"), ElementsAre("ok"));
  EXPECT_THAT(Query(store, "SELECT COUNT(*) FROM runs WHERE finished_at IS NULL"),
              ElementsAre("1"));
  // Every device stored is stored whole: all of its entries, VRFs and impositions.
  EXPECT_THAT(Query(store,
                    "SELECT COUNT(*) FROM devices d WHERE status != 'ok' "
                    "OR (SELECT COUNT(*) FROM label_entries WHERE device_id = d.id) != 5 "
                    "OR (SELECT COUNT(*) FROM vrfs WHERE device_id = d.id) != 4 "
                    "OR (SELECT COUNT(*) FROM impositions i JOIN vrfs v ON i.vrf_id = v.id "
                    "    WHERE v.device_id = d.id) != 5"),
              ElementsAre("0"));
}

// A copy of pe1's capture with an import route target dropped, a label that
// changed its outgoing label and a VPN route whose imposition label changed.
void WriteChangedPe1(const std::string& dir) {
  fs::copy(kPe1, dir, fs::copy_options::recursive);
  std::string cli = ReadFile(dir + "/cli.log");
  for (auto [from, to] : {std::pair<std::string, std::string>{"RT:100:1  RT:100:2", "RT:100:1"},
                          {"Out 20 on ATM3/0.2", "Out 25 on ATM3/0.2"},
                          {"MPLS stacked label 101", "MPLS stacked label 109"}}) {
    const size_t at = cli.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    cli.replace(at, from.size(), to);
  }
  WriteFile(dir + "/cli.log", cli);
}

TEST(FleetDiff, NamesExactlyWhatChangedBetweenTwoRuns) {
  TempFolder work;
  const std::string changed = work.Path() + "/pe1-changed";
  WriteChangedPe1(changed);
  const std::string store = work.Path() + "/fleet.db";
  auto discover = [&](const std::string& inventoryText) {
    WriteFile(work.Path() + "/fleet.yaml", inventoryText);
    return RunDiscover({"--inventory", work.Path() + "/fleet.yaml", "--store", store, "--quiet"},
                       {})
        .status;
  };
  ASSERT_EQ(
      discover(std::string(kDefaults) + CapturedDevice("pe1", kPe1) + CapturedDevice("pe2", kPe2)),
      0);
  ASSERT_EQ(
      discover(std::string(kDefaults) + CapturedDevice("pe1", kPe1) + CapturedDevice("pe2", kPe2)),
      0);
  const DiscoverRun same = RunDiscover({"diff", "--store", store}, {});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_THAT(same.out, HasSubstr("no changes"));

  ASSERT_EQ(discover(std::string(kDefaults) + CapturedDevice("pe1", changed) +
                     CapturedDevice("pe3", kPe2)),
            0);
  const DiscoverRun text = RunDiscover({"diff", "--store", store}, {});
  EXPECT_EQ(text.status, 1) << text.err;
  const DiscoverRun json = RunDiscover({"diff", "--store", store, "--format", "json"}, {});
  EXPECT_EQ(json.status, 1);
  const Json found = Json::parse(json.out, nullptr, false);
  ASSERT_TRUE(found.is_object()) << json.out;
  std::map<std::string, std::string> devices;
  std::vector<std::string> changes;
  for (const Json& device : found["devices"]) {
    devices[device["device"].get<std::string>()] = device["change"].get<std::string>();
    for (const Json& change : device.value("changes", Json::array())) {
      changes.push_back(device["device"].get<std::string>() + " " +
                        change["kind"].get<std::string>() + " " +
                        change["change"].get<std::string>());
    }
  }
  EXPECT_THAT(devices, UnorderedElementsAre(Pair("pe1", "changed"), Pair("pe2", "disappeared"),
                                            Pair("pe3", "appeared")));
  EXPECT_THAT(changes, UnorderedElementsAre(HasSubstr("pe1 route"), HasSubstr("pe1 label"),
                                            HasSubstr("pe1 imposition")));
  // The older runs can still be compared by number: nothing changed between them.
  EXPECT_EQ(RunDiscover({"diff", "--store", store, "1", "2"}, {}).status, 0);
}

TEST(FleetRun, ADeviceThatDidNotAnswerIsNotOkAndDiffRemovesNothingOfIt) {
  SimulatedRouter router, hanging;
  ASSERT_TRUE(router.Start(kPe1, {"--user", "admin"}, Secrets()));
  ASSERT_TRUE(hanging.Start(kPe1, {"--user", "admin", "--fault", "hang-on=*"}, Secrets()));
  TempFolder work;
  const std::string store = work.Path() + "/fleet.db";
  auto discover = [&](const std::string& devices) {
    WriteFile(work.Path() + "/fleet.yaml", std::string(kDefaults) + devices);
    return RunDiscover({"--inventory", work.Path() + "/fleet.yaml", "--store", store, "--quiet"},
                       Secrets());
  };
  const std::string silentPort = std::to_string(FreePort(SOCK_DGRAM));
  const std::string silentSnmp =
      "  - name: sim-pe1\n    host: 127.0.0.1\n    telnet_port: " + router.TelnetPort() +
      "\n    snmp_port: " + silentPort + "\n    timeout: 2\n";
  ASSERT_EQ(discover(LiveDevice("sim-pe1", router) + CapturedDevice("cap-pe2", kPe2)).status, 0);
  const DiscoverRun run = discover(silentSnmp + CapturedDevice("cap-pe2", kPe2) +
                                   LiveDevice("sim-hanging", hanging, "    timeout: 1\n"));

  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_THAT(run.out, ContainsRegex("\nsim-pe1 +failed .* SNMP at 127.0.0.1:" + silentPort +
                                     " did not answer"));
  EXPECT_THAT(run.out, ContainsRegex("\nsim-hanging +failed .* the CLI at 127.0.0.1:" +
                                     hanging.TelnetPort() + " answered none of the"));
  EXPECT_THAT(run.out, ContainsRegex("\ncap-pe2 +ok "));
  EXPECT_THAT(run.out, HasSubstr("3 devices: 1 discovered, 2 failed"));
  EXPECT_THAT(Query(store,
                    "SELECT d.name, d.status, d.problem IS NOT NULL FROM devices d "
                    "WHERE d.run_id = 2 ORDER BY d.name"),
              ElementsAre("cap-pe2|ok|0", "sim-hanging|failed|1", "sim-pe1|failed|1"));

  const DiscoverRun diff = RunDiscover({"diff", "--store", store, "--format", "json"}, {});
  EXPECT_EQ(diff.status, 1) << diff.err;
  const Json found = Json::parse(diff.out, nullptr, false);
  ASSERT_TRUE(found.is_object()) << diff.out;
  for (const Json& device : found["devices"]) {
    EXPECT_FALSE(device.contains("changes")) << device;
    if (device["device"] == "sim-pe1") {
      EXPECT_EQ(device["change"], "failed");
      EXPECT_THAT(device["problem"].get<std::string>(), HasSubstr("did not answer"));
    }
  }
}

}  // namespace
