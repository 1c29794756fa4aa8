// Reading a run back: its devices, and one device's report as the report
// model holds it. A list the stored report did not have reads back empty
// rather than absent (the tables keep rows, not whether a list was there).
#ifndef STORE_STOREDDEVICE_H_
#define STORE_STOREDDEVICE_H_

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ReportModel.h"

namespace store {

struct StoredRun {
  int64_t id = 0;
  std::string startedAt;
  std::optional<std::string> finishedAt;  // none: running or cut off
  std::string inventory;
};

struct StoredDevice {
  int64_t id = 0;
  std::string name;
  std::string source;
  std::string status;
  std::string problem;
  bool hasReport = false;
};

// Throw SqliteError when the store cannot be read.
std::optional<StoredRun> LoadRun(sqlite3* db, int64_t runId);
std::vector<StoredDevice> LoadDevices(sqlite3* db, int64_t runId);  // by name
report::Report LoadReport(sqlite3* db, const StoredDevice& device);
// The same with only `limit` of its label entries, from the `offset`th on
// (in the report's order): a page of a large device.
report::Report LoadReport(sqlite3* db, const StoredDevice& device, int64_t offset, int64_t limit);

}  // namespace store

#endif  // STORE_STOREDDEVICE_H_
