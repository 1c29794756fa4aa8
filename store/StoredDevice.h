// Reading a run back from the store's tables: its runs, its devices, and one
// device's report as the report model holds it. Every value read is checked
// against what this program writes (its type, NULL or not, the lists an entry
// may have); a row that does not fit throws StoreError naming its table and
// row, so that a hand-edited or foreign store is an error, never a crash.
#ifndef STORE_STOREDDEVICE_H_
#define STORE_STOREDDEVICE_H_

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "report/ReportModel.h"
#include "store/SqlDatabase.h"
#include "store/Store.h"

namespace store {

// Throw StoreError when the store cannot be read.
std::vector<StoredRun> LoadRuns(SqlDatabase& db);  // oldest first
std::optional<StoredRun> LoadRun(SqlDatabase& db, int64_t runId);
std::vector<StoredDevice> LoadDevices(SqlDatabase& db, int64_t runId);  // by name
report::Report LoadReport(SqlDatabase& db, const StoredDevice& device);
// With only a page of its label entries (by id; limit -1: all).
report::Report LoadReport(SqlDatabase& db, const StoredDevice& device, int64_t offset,
                          int64_t limit);

DeviceSizes LoadDeviceSizes(SqlDatabase& db, int64_t deviceId);

// The same on an SQLite store's connection.
std::vector<StoredDevice> LoadDevices(sqlite3* db, int64_t runId);
report::Report LoadReport(sqlite3* db, const StoredDevice& device);

}  // namespace store

#endif  // STORE_STOREDDEVICE_H_
