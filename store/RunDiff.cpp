#include "store/RunDiff.h"

#include <sqlite3.h>

#include <map>
#include <memory>

#include "store/DeviceChanges.h"
#include "store/DiffWriters.h"
#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/StoredDevice.h"

namespace store {
namespace {

struct Connection {
  ~Connection() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

struct TextOrder {
  bool operator()(const std::string& a, const std::string& b) const { return NaturalLess(a, b); }
};

// The two runs to compare: those asked for, or the last two.
bool PickRuns(sqlite3* db, const DiffOptions& options, StoredRun& before, StoredRun& after,
              std::string& problem) {
  if (options.runA.has_value() != options.runB.has_value()) {
    problem = "name both runs to compare, or neither for the last two";
    return false;
  }
  int64_t ids[2];
  if (options.runA) {
    ids[0] = *options.runA;
    ids[1] = *options.runB;
  } else {
    // A run still going or cut off would show its missing devices as gone.
    Statement last(db,
                   "SELECT id FROM runs WHERE finished_at IS NOT NULL ORDER BY id DESC LIMIT 2");
    int found = 0;
    for (; found < 2 && last.Next(); ++found) ids[1 - found] = last.Int(0);
    if (found < 2) {
      problem = options.storePath + " holds " + std::to_string(found) +
                (found == 1 ? " finished run" : " finished runs") + "; a diff needs two";
      return false;
    }
  }
  StoredRun* runs[2] = {&before, &after};
  for (int i = 0; i < 2; ++i) {
    const std::optional<StoredRun> run = LoadRun(db, ids[i]);
    if (!run) {
      problem = options.storePath + " has no run " + std::to_string(ids[i]);
      return false;
    }
    *runs[i] = *run;
  }
  return true;
}

// The device's diff, or nothing when it did not change.
std::optional<DeviceDiff> CompareDevice(sqlite3* db, const std::string& name,
                                        const StoredDevice* before, const StoredDevice* after,
                                        const StoredRun& runA, const StoredRun& runB) {
  DeviceDiff diff;
  diff.device = name;
  if (!before || !after) {
    diff.change = before ? "disappeared" : "appeared";
    return diff;
  }
  const bool failedAfter = after->status != "ok";
  // A router down both times, for the same reason, is no news.
  if (failedAfter && before->status == after->status && before->problem == after->problem) {
    return std::nullopt;
  }
  if (failedAfter || before->status != "ok") {
    const StoredDevice& failed = failedAfter ? *after : *before;
    diff.change = "failed";
    diff.failedRun = failedAfter ? runB.id : runA.id;
    diff.status = failed.status;
    diff.problem = failed.problem;
    return diff;
  }
  diff.changes = CompareReports(LoadReport(db, *before), LoadReport(db, *after));
  if (diff.changes.empty()) return std::nullopt;
  diff.change = "changed";
  return diff;
}

}  // namespace

int DiffRuns(const DiffOptions& options, std::ostream& out, std::string& problem) {
  if (options.format != "text" && options.format != "json") {
    problem = "unknown format '" + options.format + "' (text or json)";
    return kDiffFailed;
  }
  Connection store;
  store.db = OpenStoreFile(options.storePath, Access::kRead, problem);
  if (!store.db) return kDiffFailed;
  try {
    StoredRun runA, runB;
    if (!PickRuns(store.db, options, runA, runB, problem)) return kDiffFailed;

    // Devices by name, each with its row in either run.
    std::map<std::string, std::pair<const StoredDevice*, const StoredDevice*>, TextOrder> devices;
    const std::vector<StoredDevice> before = LoadDevices(store.db, runA.id);
    const std::vector<StoredDevice> after = LoadDevices(store.db, runB.id);
    for (const StoredDevice& d : before) devices[d.name].first = &d;
    for (const StoredDevice& d : after) devices[d.name].second = &d;

    const std::unique_ptr<DiffWriter> writer =
        options.format == "json" ? MakeJsonDiffWriter(out) : MakeTextDiffWriter(out);
    writer->Runs(runA, runB);
    bool changed = false;
    for (const auto& [name, rows] : devices) {
      const std::optional<DeviceDiff> diff =
          CompareDevice(store.db, name, rows.first, rows.second, runA, runB);
      if (!diff) continue;
      changed = true;
      writer->Device(*diff);
    }
    writer->End();
    return changed ? kSomethingChanged : kNothingChanged;
  } catch (const SqliteError& error) {
    problem = options.storePath + ": " + error.what();
    return kDiffFailed;
  }
}

}  // namespace store
