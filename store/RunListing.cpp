#include "store/RunListing.h"

#include "store/Sqlite.h"

namespace store {

int64_t CountRuns(sqlite3* db) {
  Statement count(db, "SELECT count(*) FROM runs");
  return count.Next() ? count.Int(0) : 0;
}

std::vector<StoredRun> LoadRuns(sqlite3* db, int64_t offset, int64_t limit) {
  std::vector<StoredRun> runs;
  Statement rows(db,
                 "SELECT id, started_at, finished_at, inventory FROM runs"
                 " ORDER BY id DESC LIMIT ? OFFSET ?");
  for (rows.Bind(limit).Bind(offset); rows.Next();) {
    runs.push_back({rows.Int(0), rows.Text(1), rows.OptionalText(2), rows.Text(3)});
  }
  return runs;
}

std::optional<int64_t> LastFinishedRunBefore(sqlite3* db, int64_t limit) {
  Statement last(db, "SELECT max(id) FROM runs WHERE finished_at IS NOT NULL AND id < ?");
  if (!last.Bind(limit).Next() || last.IsNull(0)) return std::nullopt;
  return last.Int(0);
}

DeviceSizes LoadDeviceSizes(sqlite3* db, int64_t deviceId) {
  Statement sizes(db,
                  "SELECT seconds,"
                  " (SELECT count(*) FROM label_entries WHERE device_id = d.id),"
                  " (SELECT count(*) FROM vrfs WHERE device_id = d.id),"
                  " (SELECT count(*) FROM impositions i JOIN vrfs v ON v.id = i.vrf_id"
                  "  WHERE v.device_id = d.id)"
                  " FROM devices d WHERE id = ?");
  DeviceSizes found;
  if (!sizes.Bind(deviceId).Next()) return found;
  found.seconds = sizes.IsNull(0) ? 0 : sizes.Real(0);
  found.labelEntries = sizes.Int(1);
  found.vrfs = sizes.Int(2);
  found.impositions = sizes.Int(3);
  return found;
}

}  // namespace store
