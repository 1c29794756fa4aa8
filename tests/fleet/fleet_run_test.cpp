// erx-discover over a fleet: captured devices and simulated routers on
// 127.0.0.1 discovered by worker processes into a results store; routers that
// fail fail alone. That a killed run leaves every stored device whole, and what
// diff makes of two runs, are tested on the store (tests/store).
#include <sys/socket.h>
#include <sys/stat.h>

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"
#include "tests/support/SqliteRows.h"

namespace fs = std::filesystem;
using namespace testing;

namespace {

const std::string kPe1 = kDevices + "pe1-erx";
const std::string kPe2 = kDevices + "pe2-erx-later-release";

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
  work.Write("fleet.yaml",
             std::string(kDefaults) + CapturedDevice("cap-pe1", kPe1) +
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
  EXPECT_THAT(SqliteRows(store, "SELECT name, status FROM devices ORDER BY name"),
              ElementsAre("cap-pe1|ok", "cap-pe2|ok", "sim-hanging|timeout", "sim-locked|failed",
                          "sim-pe1|ok", "sim-pe2|ok"));
  EXPECT_THAT(SqliteRows(store,
                         "SELECT d.name, COUNT(l.id) FROM devices d LEFT JOIN label_entries l "
                         "ON l.device_id = d.id GROUP BY d.id ORDER BY d.name"),
              ElementsAre("cap-pe1|5", "cap-pe2|5", "sim-hanging|0", "sim-locked|0", "sim-pe1|5",
                          "sim-pe2|5"));
  EXPECT_THAT(SqliteRows(store, "SELECT finished_at IS NOT NULL FROM runs"), ElementsAre("1"));

  // A live router's report file is the report of its capture.
  EXPECT_EQ(Found(Json::parse(work.Read("reports/sim-pe1.json"), nullptr, false)),
            CaptureReport(kPe1));
  EXPECT_EQ(Found(Json::parse(work.Read("reports/sim-pe2.json"), nullptr, false)),
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
    EXPECT_EQ(work.Read("fleet.db").find(secret), std::string::npos) << name;
  }
}

// Refused before any device is contacted (a contacted one would fail, not
// stop the run with exit 2), naming the line to mend; no store is made.
TEST(FleetRun, ABadInventoryOrAMissingSecretContactsNoDevice) {
  TempFolder work;
  const std::string inventory = work.File("fleet.yaml"), store = work.File("fleet.db");
  const std::string live = "  - name: sim-pe1\n    host: 127.0.0.1\n    telnet_port: " +
                           std::to_string(FreePort(SOCK_STREAM)) +
                           "\n    snmp_port: " + std::to_string(FreePort(SOCK_DGRAM)) + "\n";
  work.Write("secrets", "ERX_COMMUNITY=public\n");
  work.Write("empty", "ERX_PASSWORD=\n");
  chmod(work.File("secrets").c_str(), 0600);
  chmod(work.File("empty").c_str(), 0600);
  Variables unset = Secrets(), empty = Secrets();
  unset.erase("ERX_PASSWORD");
  empty["ERX_PASSWORD"] = "";
  const std::string notSet =
      " (the login password) is not set in the environment, and no secrets_file is given\n";
  struct Case {
    std::string text;
    Variables environment;
    std::string said;
  };
  const std::vector<Case> cases = {
      {kDefaults + live + "  - name: typo\n    capture: " + kPe1 + "\n    snmp_verison: 3\n",
       Secrets(), "snmp_verison"},
      // Well formed, but a secret that is nowhere: an empty password is sent to no router.
      {kDefaults + CapturedDevice("cap-pe1", kPe1) + live + "    password_env: PE1_PASWORD\n",
       Secrets(), ":11: device sim-pe1: PE1_PASWORD" + notSet},
      // Named in defaults: that is the line to mend.
      {"defaults:\n  user: admin\n  password_env: LAB_PASWORD\ndevices:\n" + live, Secrets(),
       ":3: defaults: LAB_PASWORD" + notSet},
      {"defaults:\n  user: admin\n  secrets_file: secrets\ndevices:\n" + live, unset,
       ":3: defaults: ERX_PASSWORD (the login password) is set neither in the environment nor "
       "in " +
           work.File("secrets") + "\n"},
      // Empty, in the file or the environment: as good as missing.
      {"defaults:\n  user: admin\n  secrets_file: empty\ndevices:\n" + live, unset,
       ":3: defaults: ERX_PASSWORD (the login password) is empty\n"},
      {"defaults:\n  user: admin\ndevices:\n" + live, empty,
       "ERX_PASSWORD (the login password) is empty in the environment\n"}};
  for (const Case& refused : cases) {
    work.Write("fleet.yaml", refused.text);
    const DiscoverRun run =
        RunDiscover({"--inventory", inventory, "--store", store}, refused.environment);
    EXPECT_EQ(run.status, 2) << refused.said;
    EXPECT_THAT(run.err, StartsWith("erx-discover: " + inventory + ":"));
    EXPECT_THAT(run.err, HasSubstr(refused.said));
    EXPECT_FALSE(fs::exists(store)) << refused.said;
  }
}

}  // namespace
