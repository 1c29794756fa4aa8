// Reading a store for browsing: its runs newest first a page at a time, and
// the sizes of one device's report without reading the report.
#ifndef STORE_RUNLISTING_H_
#define STORE_RUNLISTING_H_

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "store/StoredDevice.h"

namespace store {

struct DeviceSizes {
  double seconds = 0;
  int64_t labelEntries = 0;
  int64_t vrfs = 0;
  int64_t impositions = 0;
};

// Throw SqliteError when the store cannot be read.
int64_t CountRuns(sqlite3* db);
std::vector<StoredRun> LoadRuns(sqlite3* db, int64_t offset, int64_t limit);  // newest first
// The last finished run whose id is below `limit`.
std::optional<int64_t> LastFinishedRunBefore(sqlite3* db, int64_t limit);
DeviceSizes LoadDeviceSizes(sqlite3* db, int64_t deviceId);

}  // namespace store

#endif  // STORE_RUNLISTING_H_
