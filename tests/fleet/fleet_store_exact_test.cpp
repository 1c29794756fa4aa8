// The fleet's parent stores exactly what each worker found: a fleet run of
// the shipped devices and the test network leaves the same rows, byte for
// byte, as the same reports found here and stored straight into a store.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/SingleDevice.h"
#include "store/ResultsStore.h"
#include "tests/live/LiveReports.h"
#include "tests/support/SqliteRows.h"

using namespace testing;

namespace {

struct Captured {
  std::string name;
  std::string dir;
};

std::vector<Captured> Devices() {
  const std::string network = std::string(ERX_SOURCE_DIR) + "/tests/network/devices/";
  std::vector<Captured> devices = {{"pe1-erx", kDevices + "pe1-erx"},
                                   {"pe2-later", kDevices + "pe2-erx-later-release"}};
  for (const char* name : {"pe-a", "p-b", "p-c", "pe-d"}) devices.push_back({name, network + name});
  return devices;
}

// Every row of every table but the runs', ordered by all its columns, with
// the seconds each device took left out.
std::string AllRows(const std::string& store) {
  std::string all;
  for (const std::string& table :
       SqliteRows(store,
                  "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'runs' "
                  "ORDER BY name")) {
    std::string list, order;
    int count = 0;
    for (const std::string& column : SqliteRows(store, "SELECT name FROM pragma_table_info('" +
                                                           table + "') WHERE name <> 'seconds'")) {
      const std::string separator = count ? ", " : "";
      list += separator + column;
      order += separator + std::to_string(++count);
    }
    all += "== " + table + "\n";
    for (const std::string& row :
         SqliteRows(store, "SELECT " + list + " FROM " + table + " ORDER BY " + order)) {
      all += row + "\n";
    }
  }
  return all;
}

TEST(FleetStore, TheParentStoresExactlyWhatEachWorkerFound) {
  TempFolder work;
  std::string inventory = "devices:\n";
  for (const Captured& device : Devices()) {
    inventory += "  - {name: " + device.name + ", capture: " + device.dir + ", region: lab}\n";
  }
  std::ofstream(work.Path() + "/fleet.yaml") << inventory;
  const std::string throughWorkers = work.Path() + "/workers.db";
  const DiscoverRun run = RunDiscover({"--inventory", work.Path() + "/fleet.yaml", "--jobs", "1",
                                       "--store", throughWorkers, "--quiet"},
                                      {});
  ASSERT_EQ(run.status, 0) << run.out << run.err;

  // The same devices in the same order, found in this process and stored as found.
  const std::string direct = work.Path() + "/direct.db";
  store::ResultsStore results;
  int64_t runId = 0;
  Status begun = results.Open(direct);
  if (begun.ok()) begun = results.BeginRun("fleet.yaml").Into(runId);
  ASSERT_TRUE(begun.ok()) << begun.message();
  for (const Captured& device : Devices()) {
    DeviceSource source;
    source.capture = device.dir;
    DiscoveryOptions options;
    options.modulePath = ERX_MODULE_PATH;
    report::Report found;
    const Outcome<DeviceOutcome> discovered = DiscoverOneDevice(source, options, false, found);
    ASSERT_EQ(discovered.code(), DeviceOutcome::kDiscovered) << discovered.message();
    store::DeviceOutcome outcome;
    outcome.name = device.name;
    outcome.source = device.dir;
    outcome.region = "lab";
    outcome.status = report::HealthStatusName(found.health.status);
    outcome.problem = found.health.problems.empty() ? "" : found.health.problems.front();
    const Status stored = results.StoreDevice(runId, outcome, &found);
    ASSERT_TRUE(stored.ok()) << stored.message();
  }

  const std::string expected = AllRows(direct);
  EXPECT_THAT(expected, HasSubstr("== label_entries\n"));
  EXPECT_THAT(expected, Not(HasSubstr("error:")));
  EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 100);
  EXPECT_EQ(AllRows(throughWorkers), expected);
}

}  // namespace
