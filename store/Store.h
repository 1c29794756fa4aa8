// The results store: every fleet run of erx-discover, each device's report in
// normalized tables (README.md, "The results store"), in an SQLite file or a
// PostgreSQL database with the same tables, columns and answers. Everything
// that writes or reads a store goes through this interface; no SQL is written
// outside store/.
//
//   std::unique_ptr<store::Store> results;
//   Status opened = store::OpenStore("fleet.db", store::Access::kWrite).Into(results);
//   if (!opened.ok()) ...                                        // its message names the store
//   Result<int64_t> run = results->BeginRun("inventory.yaml");
//   Status stored = results->StoreDevice(run.value(), outcome, &report);  // one transaction each
//   Status finished = results->FinishRun(run.value());
//
// Reading (diff, paths, vpns, html, a web page):
//
//   Status opened = store::OpenStore(where, store::Access::kRead).Into(results);
//   Result<std::vector<store::StoredRun>> runs = results->ListRuns();  // oldest first
//   Result<std::vector<store::StoredDevice>> devices =                 // by name
//       results->LoadDevices(runs.value().back().id);
//   Result<report::Report> found = results->LoadReport(devices.value()[0]);  // if it hasReport
//
// Every function fails with a message (a line naming the store) when the
// store cannot be used; nothing is thrown. A row that a hand edit or
// another program left in a shape this program never writes is such a
// problem, naming its table and row: reading never crashes on a store.
#ifndef STORE_STORE_H_
#define STORE_STORE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/ReportModel.h"
#include "status/Result.h"
#include "status/Status.h"

namespace store {

// How one device of a run ended. `status` is one of "ok" (discovery ran; the
// agent's own errors are in the report), "partial", "failed" (unreachable,
// login refused, unreadable capture), "timeout" (ended at the device
// deadline), "crashed" (the worker died of a signal).
struct DeviceOutcome {
  std::string name;
  std::string source;  // "HOST" of a live router or the capture folder
  std::string status;
  std::string problem;  // one line, empty when "ok"
  double seconds = 0;
  std::string region;  // the inventory's; empty when it gave none
};

struct StoredRun {
  int64_t id = 0;
  std::string startedAt;                  // UTC, "YYYY-MM-DD HH:MM:SS"
  std::optional<std::string> finishedAt;  // none: running or cut off
  std::string inventory;
};

struct StoredDevice {
  int64_t id = 0;
  std::string name;
  std::string source;
  std::string status;
  std::string problem;
  bool hasReport = false;  // discovered: LoadReport gives its report
  std::string region;      // empty when none was given or stored
};

// How big a stored device's report is, without reading it.
struct DeviceSizes {
  double seconds = 0;
  int64_t labelEntries = 0;
  int64_t vrfs = 0;
  int64_t impositions = 0;
};

// kWrite creates the store or brings an older schema up to date; kRead opens
// an existing store of this schema and changes nothing.
enum class Access { kWrite, kRead };

class Store {
 public:
  virtual ~Store() = default;

  // The store as the user named it, for messages (never a password).
  virtual const std::string& Where() const = 0;

  // A new run (its start time now): its id.
  virtual Result<int64_t> BeginRun(const std::string& inventory) = 0;
  // One device of the run, in one transaction: its outcome and, when `found`
  // is not null, everything in the report. A device is stored whole or not
  // at all; a second device of the same name in a run is refused.
  virtual Status StoreDevice(int64_t runId, const DeviceOutcome& outcome,
                             const report::Report* found) = 0;
  // Marks the run finished (its end time now). A run never finished was cut off.
  virtual Status FinishRun(int64_t runId) = 0;

  // Every run, oldest first.
  virtual Result<std::vector<StoredRun>> ListRuns() = 0;
  // Run `runId`; none when the store has no such run.
  virtual Result<std::optional<StoredRun>> LoadRun(int64_t runId) = 0;
  // The devices of a run, by name, discovered or not.
  virtual Result<std::vector<StoredDevice>> LoadDevices(int64_t runId) = 0;
  // A discovered device's report as the report model holds it. A list the
  // stored report did not have reads back empty rather than absent (the
  // tables keep rows, not whether a list was there); the health is not kept
  // in the report read back.
  virtual Result<report::Report> LoadReport(const StoredDevice& device) = 0;
  // The same with only a page of its label entries, in the order stored.
  virtual Result<report::Report> LoadReportPage(const StoredDevice& device, int64_t offset,
                                                int64_t limit) = 0;
  virtual Result<DeviceSizes> LoadDeviceSizes(const StoredDevice& device) = 0;
  // Queries that run past `seconds` from now fail with a problem that says so.
  virtual void LimitQueryTime(int seconds) = 0;
};

// Opens the store at `where`: a file (SQLite), or a PostgreSQL connection
// `postgresql://...` (Postgres.h; a password written in it is refused). Fails,
// naming the store, when it cannot be opened, is not a results store, or was
// made by a newer program.
Result<std::unique_ptr<Store>> OpenStore(const std::string& where, Access access);

}  // namespace store

#endif  // STORE_STORE_H_
