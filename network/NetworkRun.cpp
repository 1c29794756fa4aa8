#include "network/NetworkRun.h"

#include <sqlite3.h>

#include "store/Schema.h"
#include "store/Sqlite.h"

namespace network {
namespace {

struct Connection {
  ~Connection() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

std::optional<int64_t> LastFinishedRunBefore(sqlite3* db, int64_t limit) {
  store::Statement last(db,
                        "SELECT max(id) FROM runs WHERE finished_at IS NOT NULL AND id < ?");
  if (!last.Bind(limit).Next() || last.IsNull(0)) return std::nullopt;
  return last.Int(0);
}

}  // namespace

bool LoadNetworkRun(const std::string& storePath, std::optional<int64_t> runId, NetworkRun& run,
                    std::string& problem) {
  Connection store;
  store.db = store::OpenStoreFile(storePath, store::Access::kRead, problem);
  if (!store.db) return false;
  try {
    if (!runId) runId = LastFinishedRunBefore(store.db, INT64_MAX);
    if (!runId) {
      problem = storePath + " holds no finished run";
      return false;
    }
    const std::optional<store::StoredRun> found = store::LoadRun(store.db, *runId);
    if (!found) {
      problem = storePath + " has no run " + std::to_string(*runId);
      return false;
    }
    run.storePath = storePath;
    run.run = *found;
    run.devices = store::LoadDevices(store.db, *runId);
    run.routers.clear();
    for (const store::StoredDevice& device : run.devices) {
      if (device.hasReport) run.routers.push_back(store::LoadReport(store.db, device));
    }
    run.previousRun = LastFinishedRunBefore(store.db, *runId);
    return true;
  } catch (const store::SqliteError& error) {
    problem = storePath + ": " + error.what();
    return false;
  }
}

}  // namespace network
