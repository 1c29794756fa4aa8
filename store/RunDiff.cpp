#include "store/RunDiff.h"

#include <map>
#include <memory>

#include "store/DeviceChanges.h"
#include "store/DiffWriters.h"
#include "store/Store.h"

namespace store {
namespace {

struct TextOrder {
  bool operator()(const std::string& a, const std::string& b) const { return NaturalLess(a, b); }
};

// The two runs to compare: those asked for, or the last two.
bool PickRuns(Store& db, const DiffOptions& options, StoredRun& before, StoredRun& after,
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
    std::vector<StoredRun> runs;
    if (!db.ListRuns(runs, problem)) return false;
    int found = 0;
    for (auto run = runs.rbegin(); found < 2 && run != runs.rend(); ++run) {
      if (run->finishedAt) ids[1 - found++] = run->id;
    }
    if (found < 2) {
      problem = options.storePath + " holds " + std::to_string(found) +
                (found == 1 ? " finished run" : " finished runs") + "; a diff needs two";
      return false;
    }
  }
  StoredRun* runs[2] = {&before, &after};
  for (int i = 0; i < 2; ++i) {
    std::optional<StoredRun> run;
    if (!db.LoadRun(ids[i], run, problem)) return false;
    if (!run) {
      problem = options.storePath + " has no run " + std::to_string(ids[i]);
      return false;
    }
    *runs[i] = *run;
  }
  return true;
}

// The device's diff, or nothing when it did not change.
// False with `problem` set when a report cannot be read.
bool CompareDevice(Store& db, const std::string& name, const StoredDevice* before,
                   const StoredDevice* after, const StoredRun& runA, const StoredRun& runB,
                   std::optional<DeviceDiff>& result, std::string& problem) {
  result.reset();
  DeviceDiff diff;
  diff.device = name;
  if (!before || !after) {
    diff.change = before ? "disappeared" : "appeared";
    result = diff;
    return true;
  }
  const bool failedAfter = after->status != "ok";
  // A router down both times, for the same reason, is no news.
  if (failedAfter && before->status == after->status && before->problem == after->problem) {
    return true;
  }
  if (failedAfter || before->status != "ok") {
    const StoredDevice& failed = failedAfter ? *after : *before;
    diff.change = "failed";
    diff.failedRun = failedAfter ? runB.id : runA.id;
    diff.status = failed.status;
    diff.problem = failed.problem;
    result = diff;
    return true;
  }
  report::Report reports[2];
  if (!db.LoadReport(*before, reports[0], problem) || !db.LoadReport(*after, reports[1], problem)) {
    return false;
  }
  diff.changes = CompareReports(reports[0], reports[1]);
  if (diff.changes.empty()) return true;
  diff.change = "changed";
  result = diff;
  return true;
}

}  // namespace

DiffOutcome DiffRuns(const DiffOptions& options, std::ostream& out, std::string& problem) {
  if (options.format != "text" && options.format != "json") {
    problem = "unknown format '" + options.format + "' (text or json)";
    return DiffOutcome::kFailed;
  }
  const std::unique_ptr<Store> store = OpenStore(options.storePath, Access::kRead, problem);
  if (!store) return DiffOutcome::kFailed;
  StoredRun runA, runB;
  if (!PickRuns(*store, options, runA, runB, problem)) return DiffOutcome::kFailed;

  // Devices by name, each with its row in either run.
  std::map<std::string, std::pair<const StoredDevice*, const StoredDevice*>, TextOrder> devices;
  std::vector<StoredDevice> before, after;
  if (!store->LoadDevices(runA.id, before, problem) ||
      !store->LoadDevices(runB.id, after, problem)) {
    return DiffOutcome::kFailed;
  }
  for (const StoredDevice& d : before) devices[d.name].first = &d;
  for (const StoredDevice& d : after) devices[d.name].second = &d;

  const std::unique_ptr<DiffWriter> writer =
      options.format == "json" ? MakeJsonDiffWriter(out) : MakeTextDiffWriter(out);
  writer->Runs(runA, runB);
  bool changed = false;
  for (const auto& [name, rows] : devices) {
    std::optional<DeviceDiff> diff;
    if (!CompareDevice(*store, name, rows.first, rows.second, runA, runB, diff, problem)) {
      return DiffOutcome::kFailed;
    }
    if (!diff) continue;
    changed = true;
    writer->Device(*diff);
  }
  writer->End();
  return changed ? DiffOutcome::kSomethingChanged : DiffOutcome::kNothingChanged;
}

}  // namespace store
