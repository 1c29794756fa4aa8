// The results store: what a stored report looks like in SQL, the questions of
// the README, files it refuses, and writes that land whole or not at all.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report/JsonReport.h"
#include "store/ResultsStore.h"
#include "store/RunDiff.h"
#include "store/Schema.h"
#include "store/StoredDevice.h"
#include "tests/store/StoreExamples.h"
#include "tests/support/LabelTableExamples.h"

using namespace testing;

namespace {

std::string JsonOf(const report::Report& r) {
  std::ostringstream json;
  WriteJsonReport(r, json);
  return json.str();
}

// What the store gives back for a list the report left out: an empty one.
report::Report WithEveryList(report::Report r) {
  for (auto& vr : r.virtualRouters) vr.vrfs.emplace(vr.vrfs.value_or(std::vector<std::string>()));
  for (auto& e : r.labelEntries) {
    if (e.layout) continue;  // the table by incoming label has no in-interface lists
    if (!e.inIfIndexes) e.inIfIndexes.emplace();
    if (!e.inInterfaces) e.inInterfaces.emplace();
  }
  for (auto& v : r.vrfs) {
    if (!v.importRouteTargets) v.importRouteTargets.emplace();
    if (!v.exportRouteTargets) v.exportRouteTargets.emplace();
    if (!v.ifIndexes) v.ifIndexes.emplace();
    if (!v.impositions) v.impositions.emplace();
  }
  return r;
}

TEST(ResultsStore, KeepsEveryPartOfTheExampleDeviceInItsTable) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const report::Report pe1 = ShippedReport("pe1-erx");
  const int64_t run = StoreRun(db, {pe1});

  EXPECT_THAT(SqliteRows(db, "SELECT id, inventory, finished_at IS NOT NULL FROM runs"),
              ElementsAre(std::to_string(run) + "|fleet.yaml|1"));
  EXPECT_THAT(SqliteRows(db, "SELECT name, source, status, problem, seconds FROM devices"),
              ElementsAre("pe1-erx|devices/pe1-erx|ok|NULL|0.5"));
  EXPECT_THAT(
      SqliteRows(
          db,
          "SELECT (SELECT count(*) FROM virtual_routers), (SELECT count(*) FROM "
          "virtual_router_vrfs),"
          " (SELECT count(*) FROM label_entries), (SELECT count(*) FROM label_entry_in_interfaces),"
          " (SELECT count(*) FROM vrfs), (SELECT count(*) FROM vrf_route_targets),"
          " (SELECT count(*) FROM vrf_interfaces), (SELECT count(*) FROM impositions),"
          " (SELECT count(*) FROM interfaces), (SELECT count(*) FROM ip_addresses),"
          " (SELECT count(*) FROM errors), (SELECT count(*) FROM warnings)"),
      ElementsAre("2|4|5|6|4|7|4|5|21|10|0|10"));
  // Layer-2 ports belong to no virtual router.
  EXPECT_THAT(SqliteRows(db,
                         "SELECT if_index, if_descr, virtual_router, vrf FROM interfaces"
                         " WHERE if_index IN (1, 30)"),
              ElementsAre("1|ATM2/0|NULL|NULL", "30|ip2/0.10|default|red"));

  // Read back, it is the report it was.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  const std::vector<store::StoredDevice> devices = store::LoadDevices(raw, run);
  ASSERT_THAT(devices, SizeIs(1));
  EXPECT_EQ(JsonOf(store::LoadReport(raw, devices[0])), JsonOf(WithEveryList(pe1)));
  sqlite3_close(raw);

  // Forgetting the run forgets everything of it.
  Execute(db, "PRAGMA foreign_keys = ON; DELETE FROM runs;");
  std::string rowsLeft = "SELECT 0";
  for (const char* table :
       {"devices", "virtual_routers", "virtual_router_vrfs", "label_entries",
        "label_entry_in_interfaces", "label_entry_push_labels", "vrfs", "vrf_route_targets",
        "vrf_interfaces", "impositions", "interfaces", "ip_addresses", "errors", "warnings"}) {
    rowsLeft += std::string(" + (SELECT count(*) FROM ") + table + ")";
  }
  EXPECT_THAT(SqliteRows(db, rowsLeft), ElementsAre("0"));
}

TEST(ResultsStore, KeepsLabelTableEntriesWithTheirPushedLabels) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  report::Report r = Router("pe2", 0);
  const report::LabelEntry swap = LabelTableSwap();
  report::LabelEntry other;
  other.virtualRouter = "default";
  other.inLabel = "300";
  other.owner = "l2vpn";
  other.action = "other";
  other.actionText = "mirror to ATM2/0.40";
  other.layout = "label-table";
  r.labelEntries = {swap, other};
  const int64_t run = StoreRun(db, {r});

  EXPECT_THAT(
      SqliteRows(
          db,
          "SELECT in_label, in_interface, owner, action, action_text, out_label, label_space,"
          " layout FROM label_entries ORDER BY id"),
      ElementsAre("NULL|FastEthernet2/0.1|ldp|swap|NULL|55|Platform label space|label-table",
                  "300|NULL|l2vpn|other|mirror to ATM2/0.40|NULL|NULL|label-table"));
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  EXPECT_EQ(JsonOf(store::LoadReport(raw, store::LoadDevices(raw, run).at(0))),
            JsonOf(WithEveryList(r)));
  sqlite3_close(raw);
}

// The README's questions are answered alike by both engines (store_engines_test);
// in an SQLite file they use its indexes.
TEST(ResultsStore, TheReadmeQuestionsUseTheIndexes) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  StoreRun(db, {ShippedReport("pe1-erx"), ShippedReport("pe2-erx-later-release")});
  EXPECT_THAT(
      SqliteRows(db,
                 "EXPLAIN QUERY PLAN SELECT * FROM vrf_route_targets WHERE route_target = '100:2'"
                 " AND direction = 'import'"),
      ElementsAre(HasSubstr("route_targets_by_value")));
  EXPECT_THAT(
      SqliteRows(db, "EXPLAIN QUERY PLAN SELECT * FROM label_entries WHERE out_interface = 'x'"),
      ElementsAre(HasSubstr("label_entries_by_out_interface")));
}

TEST(ResultsStore, RouterTextBecomesValidUtf8) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  report::Report latin1 = Router("pe\xE9", 1);
  latin1.labelEntries[0].lspName =
      "to-p\xE9"
      "2\xFF";
  StoreRun(db, {latin1});
  EXPECT_THAT(SqliteRows(db, "SELECT name, lsp_name FROM devices, label_entries"),
              ElementsAre("pe\u00e9|to-p\u00e92\u00ff"));
}

// Newer and foreign stores are refused alike by both engines (store_engines_test).
TEST(ResultsStore, RefusesFilesThatAreNoSQLiteAndLeavesThemAlone) {
  TempFolder folder;
  store::ResultsStore results;
  const std::string text = folder.File("notes.txt");
  std::ofstream(text) << "pe1 10.0.0.1\npe2 10.0.0.2\n" << std::string(1000, 'x') << "\n";
  const std::string textBytes = ReadBytes(text);
  const Status opened = results.Open(text);
  EXPECT_FALSE(opened.ok());
  EXPECT_THAT(opened.message(), HasSubstr("not an SQLite database"));
  EXPECT_EQ(ReadBytes(text), textBytes);

  // An empty file is a new store; a store of this schema opens again with its runs.
  const std::string empty = folder.File("empty.db");
  std::ofstream{empty}.close();
  StoreRun(empty, {Router("pe1", 1)});
  StoreRun(empty, {Router("pe1", 1)});
  EXPECT_THAT(SqliteRows(empty, "SELECT count(*) FROM runs"), ElementsAre("2"));
  EXPECT_THAT(SqliteRows(empty, "PRAGMA user_version"),
              ElementsAre(std::to_string(store::kSchemaVersion)));
}

// SQLite keeps its journal beside the store, so a store in a read-only
// folder can be neither written nor read; its own message says only
// "attempt to write a readonly database".
TEST(ResultsStore, AReadOnlyStoreOrFolderIsExplainedWithWhatToDo) {
  TempFolder folder;
  const std::string shelf = folder.File("shelf");
  ASSERT_EQ(mkdir(shelf.c_str(), 0755), 0);
  const std::string db = shelf + "/fleet.db";
  StoreRun(db, {Router("pe1", 1)});
  StoreRun(db, {Router("pe1", 2)});
  chmod(folder.File("").c_str(), 0755);
  chmod(shelf.c_str(), 0555);

  const std::string diffSaid = Unprivileged([&] {
    std::ostringstream out;
    return store::DiffRuns({db, std::nullopt, std::nullopt, "text"}, out).message();
  });
  EXPECT_EQ(diffSaid,
            db + ": the store's folder " + shelf +
                " is read-only: SQLite keeps the store's journal beside it, even to read "
                "it (make the folder writable, or copy the store into a writable folder)");
  const std::string createSaid = Unprivileged([&] {
    store::ResultsStore results;
    return results.Open(shelf + "/new.db").message();
  });
  EXPECT_EQ(createSaid, shelf + "/new.db: cannot make the store in the read-only folder " + shelf);

  chmod(shelf.c_str(), 0777);
  const std::string writeSaid = Unprivileged([&] {
    store::ResultsStore results;
    const Status opened = results.Open(db);
    return opened.ok() ? results.BeginRun("fleet.yaml").message() : opened.message();
  });
  EXPECT_THAT(writeSaid,
              EndsWith("the store is a read-only file (make it writable: chmod u+w " + db + ")"));
  chmod(shelf.c_str(), 0755);
  EXPECT_THAT(SqliteRows(db, "SELECT count(*) FROM runs"), ElementsAre("2"));
}

TEST(ResultsStore, AStoreOfSchemaOneIsBroughtUpToDateWithItsRunsKept) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  Execute(db, ReadBytes(std::string(ERX_SOURCE_DIR) + "/tests/store/schema-1-store.sql"));
  const report::Report pe1 = ShippedReport("pe1-erx");
  const int64_t run = StoreRun(db, {pe1, ShippedReport("pe2-erx-later-release")});

  EXPECT_EQ(run, 2);
  EXPECT_THAT(SqliteRows(db, "PRAGMA user_version"),
              ElementsAre(std::to_string(store::kSchemaVersion)));
  // Devices stored before schema 5 have no region.
  EXPECT_THAT(SqliteRows(db, "SELECT count(*), count(region) FROM devices"), ElementsAre("4|0"));
  // Devices stored before health was kept have none; the new run's have theirs.
  EXPECT_THAT(
      SqliteRows(db,
                 "SELECT d.run_id, count(h.device_id) FROM devices d LEFT JOIN device_health"
                 " h ON h.device_id = d.id GROUP BY d.run_id ORDER BY d.run_id"),
      ElementsAre("1|0", "2|2"));
  // Only the new run knows the program that made it.
  EXPECT_THAT(
      SqliteRows(db, "SELECT id, program_version LIKE 'erx-discover %' FROM runs ORDER BY id"),
      ElementsAre("1|NULL", "2|1"));
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  const std::vector<store::StoredDevice> old = store::LoadDevices(raw, 1);
  ASSERT_THAT(old, SizeIs(2));
  report::Report oldPe1 = store::LoadReport(raw, old[0]);
  oldPe1.device = pe1.device;
  EXPECT_EQ(JsonOf(oldPe1), JsonOf(WithEveryList(pe1)));
  sqlite3_close(raw);

  // The run of schema 1 did not read pe2's forwarding table; pe1 is the same.
  std::ostringstream diff;
  const auto diffed = store::DiffRuns({db, std::nullopt, std::nullopt, "text"}, diff);
  EXPECT_EQ(diffed.code(), store::DiffOutcome::kSomethingChanged) << diffed.message();
  EXPECT_THAT(
      diff.str(),
      EndsWith(
          "~ pe2-erx: 5 changes\n"
          "  + label entry default/17: out label 29, out interface ATM2/0.1, out ifIndex 10,"
          " next hop 10.2.1.2, owner ldp, action swap\n"
          "  + label entry default/18: out label 30, out interface ATM2/0.1, out ifIndex 10,"
          " next hop 10.2.1.2, owner ldp, action swap\n"
          "  + label entry default/19: out label none, out interface ATM2/0.1, out ifIndex 10,"
          " next hop 10.2.1.2, owner ldp, action pop\n"
          "  + label entry default/201: out label none, out interface none, out ifIndex none,"
          " next hop none, owner bgp, action lookup\n"
          "  + label entry default/300: out label none, out interface ATM2/0.40, out ifIndex none,"
          " next hop none, owner l2vpn, action pop\n"));
}

TEST(ResultsStore, KeepsWhatAnsweredAndEveryProblem) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  report::Report pe1 = ShippedReport("pe1-erx");
  report::Health& health = pe1.health;
  health.status = report::HealthStatus::kPartial;
  health.cliSource = "127.0.0.1:2323";
  health.commandsSent = 25;
  health.commandsAnswered = 23;
  health.commandsTimedOut = 2;
  health.reconnections = 2;
  health.snmpSource = "127.0.0.1:1161";
  health.walksAnswered = 18;
  health.walksUnanswered = 2;
  health.silentContexts = {"@vr2:lab"};
  health.problems = {"the CLI at 127.0.0.1:2323 gave no reply within the timeout to 2 commands",
                     "SNMP at 127.0.0.1:1161 did not answer in context @vr2:lab (2 walks lost)"};
  StoreRun(db, {pe1});
  EXPECT_THAT(SqliteRows(db,
                         "SELECT cli_source, commands_sent, commands_answered, commands_refused,"
                         " commands_timed_out, commands_cut_off, commands_not_sent, reconnections,"
                         " snmp_source, walks_answered, walks_unanswered FROM device_health"),
              ElementsAre("127.0.0.1:2323|25|23|0|2|0|0|2|127.0.0.1:1161|18|2"));
  EXPECT_THAT(SqliteRows(db, "SELECT context FROM device_silent_contexts"),
              ElementsAre("@vr2:lab"));
  EXPECT_THAT(SqliteRows(db, "SELECT text FROM device_problems ORDER BY rowid"),
              ElementsAreArray(health.problems));
}

TEST(ResultsStore, ADeviceThatFailsMidwayLeavesNothingOfIt) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const int64_t run = StoreRun(db, {Router("pe1", 3)});
  store::ResultsStore results;
  const Status opened = results.Open(db);
  ASSERT_TRUE(opened.ok()) << opened.message();

  const report::Report again = Router("pe1", 5);
  const Status storedAgain = results.StoreDevice(run, Ok(again), &again);
  EXPECT_FALSE(storedAgain.ok());
  EXPECT_THAT(storedAgain.message(), HasSubstr("storing pe1: UNIQUE constraint failed"));

  // Warnings are written last: this device fails after all its label entries.
  Execute(
      db,
      "CREATE TRIGGER full BEFORE INSERT ON warnings BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
  const report::Report pe2 = Router("pe2", 7);
  const Status storedPe2 = results.StoreDevice(run, Ok(pe2), &pe2);
  EXPECT_FALSE(storedPe2.ok());
  EXPECT_EQ(storedPe2.message(), db + ": storing pe2: disk full");
  EXPECT_THAT(SqliteRows(db,
                         "SELECT name, (SELECT count(*) FROM label_entries e WHERE e.device_id ="
                         " d.id) FROM devices d"),
              ElementsAre("pe1|3"));
  EXPECT_THAT(SqliteRows(db, "SELECT count(*) FROM label_entries"), ElementsAre("3"));
}

TEST(ResultsStore, WorkersOfOneRunStoreTheirDevicesSideBySide) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const int64_t run = StoreRun(db, {}, {}, false);
  const int kWorkers = 4, kDevices = 20, kEntries = 200;
  std::vector<pid_t> workers;
  for (int w = 0; w < kWorkers; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      store::ResultsStore results;
      Status done = results.Open(db);
      for (int d = 0; done.ok() && d < kDevices; ++d) {
        const report::Report device =
            Router("pe" + std::to_string(w) + "-" + std::to_string(d), kEntries);
        done = results.StoreDevice(run, Ok(device), &device);
      }
      if (!done.ok()) fprintf(stderr, "worker %d: %s\n", w, done.message().c_str());
      _exit(done.ok() ? 0 : 1);
    }
    workers.push_back(pid);
  }
  for (pid_t pid : workers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_THAT(SqliteRows(db, "SELECT count(*), count(DISTINCT name) FROM devices"),
              ElementsAre("80|80"));
  EXPECT_THAT(SqliteRows(db, "SELECT count(*) FROM label_entries"), ElementsAre("16000"));
}

TEST(ResultsStore, AWorkerKilledWhileStoringLeavesItsDeviceWholeOrAbsent) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const int64_t run = StoreRun(db, {Router("pe1", 1)});
  const report::Report large = Router("pe2", 50000);
  int started[2];
  ASSERT_EQ(pipe(started), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    store::ResultsStore results;
    if (!results.Open(db).ok()) _exit(1);
    (void)!write(started[1], "s", 1);
    (void)results.StoreDevice(run, Ok(large), &large);
    _exit(0);
  }
  char signal = 0;
  ASSERT_EQ(read(started[0], &signal, 1), 1);
  usleep(50 * 1000);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(started[0]);
  close(started[1]);

  EXPECT_THAT(SqliteRows(db, "PRAGMA integrity_check"), ElementsAre("ok"));
  EXPECT_THAT(SqliteRows(db,
                         "SELECT d.name, count(e.id) FROM devices d LEFT JOIN label_entries e"
                         " ON e.device_id = d.id GROUP BY d.id ORDER BY d.id"),
              AnyOf(ElementsAre("pe1|1"), ElementsAre("pe1|1", "pe2|50000")));
  // The store takes the next device as if nothing had happened.
  StoreRun(db, {Router("pe3", 2)});
  EXPECT_THAT(SqliteRows(db, "SELECT count(*) FROM runs"), ElementsAre("2"));
}

}  // namespace
