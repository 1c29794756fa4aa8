// The fleet's parent stores exactly what each worker found: a fleet run of
// the shipped devices and the test network leaves the same rows, byte for
// byte, as the same reports found here and stored straight into a store.
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/SingleDevice.h"
#include "store/ResultsStore.h"
#include "tests/live/LiveReports.h"

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
// the seconds each device took left out; raw bytes, NULL as "NULL".
std::string AllRows(const std::string& store) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  auto rows = [&](const std::string& sql, std::string& out) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      out += std::string("error: ") + sqlite3_errmsg(db) + "\n";
    }
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = static_cast<const char*>(sqlite3_column_blob(statement, i));
        out += sqlite3_column_type(statement, i) == SQLITE_NULL
                   ? std::string("NULL")
                   : std::string(text ? text : "", sqlite3_column_bytes(statement, i));
        out += '|';
      }
      out += '\n';
    }
    sqlite3_finalize(statement);
  };
  std::string tables, all;
  rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'runs' ORDER BY name",
       tables);
  std::istringstream names(tables);
  for (std::string table; std::getline(names, table);) {
    table.pop_back();  // the '|'
    std::string columns, list;
    rows("SELECT name FROM pragma_table_info('" + table + "') WHERE name <> 'seconds'", columns);
    std::istringstream each(columns);
    int count = 0;
    std::string order;
    for (std::string column; std::getline(each, column); ++count) {
      column.pop_back();
      list += (count ? ", " : "") + column;
      order += (count ? ", " : "") + std::to_string(count + 1);
    }
    all += "== " + table + "\n";
    rows("SELECT " + list + " FROM " + table + " ORDER BY " + order, all);
  }
  sqlite3_close(db);
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
  std::string problem;
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
    ASSERT_EQ(DiscoverOneDevice(source, options, false, found, problem), DeviceOutcome::kDiscovered)
        << problem;
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
