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

struct RunPair {
  StoredRun before;
  StoredRun after;
};

// The two runs to compare: those asked for, or the last two.
Result<RunPair> PickRuns(Store& db, const DiffOptions& options) {
  if (options.runA.has_value() != options.runB.has_value()) {
    return Status::Failure("name both runs to compare, or neither for the last two");
  }
  int64_t ids[2];
  if (options.runA) {
    ids[0] = *options.runA;
    ids[1] = *options.runB;
  } else {
    // A run still going or cut off would show its missing devices as gone.
    const Result<std::vector<StoredRun>> runs = db.ListRuns();
    if (!runs.ok()) return runs.status();
    int found = 0;
    for (auto run = runs.value().rbegin(); found < 2 && run != runs.value().rend(); ++run) {
      if (run->finishedAt) ids[1 - found++] = run->id;
    }
    if (found < 2) {
      return Status::Failure(options.storePath + " holds " + std::to_string(found) +
                             (found == 1 ? " finished run" : " finished runs") +
                             "; a diff needs two");
    }
  }
  RunPair pair;
  StoredRun* runs[2] = {&pair.before, &pair.after};
  for (int i = 0; i < 2; ++i) {
    const Result<std::optional<StoredRun>> run = db.LoadRun(ids[i]);
    if (!run.ok()) return run.status();
    if (!run.value()) {
      return Status::Failure(options.storePath + " has no run " + std::to_string(ids[i]));
    }
    *runs[i] = *run.value();
  }
  return pair;
}

// The device's diff, or none when it did not change; a failure when a report
// cannot be read.
Result<std::optional<DeviceDiff>> CompareDevice(Store& db, const std::string& name,
                                                const StoredDevice* before,
                                                const StoredDevice* after, const StoredRun& runA,
                                                const StoredRun& runB) {
  DeviceDiff diff;
  diff.device = name;
  if (!before || !after) {
    diff.change = before ? "disappeared" : "appeared";
    return std::optional<DeviceDiff>(diff);
  }
  const bool failedAfter = after->status != "ok";
  // A router down both times, for the same reason, is no news.
  if (failedAfter && before->status == after->status && before->problem == after->problem) {
    return std::optional<DeviceDiff>();
  }
  if (failedAfter || before->status != "ok") {
    const StoredDevice& failed = failedAfter ? *after : *before;
    diff.change = "failed";
    diff.failedRun = failedAfter ? runB.id : runA.id;
    diff.status = failed.status;
    diff.problem = failed.problem;
    return std::optional<DeviceDiff>(diff);
  }
  const Result<report::Report> reportBefore = db.LoadReport(*before);
  if (!reportBefore.ok()) return reportBefore.status();
  const Result<report::Report> reportAfter = db.LoadReport(*after);
  if (!reportAfter.ok()) return reportAfter.status();
  diff.changes = CompareReports(reportBefore.value(), reportAfter.value());
  if (diff.changes.empty()) return std::optional<DeviceDiff>();
  diff.change = "changed";
  return std::optional<DeviceDiff>(diff);
}

}  // namespace

Outcome<DiffOutcome> DiffRuns(const DiffOptions& options, std::ostream& out) {
  if (options.format != "text" && options.format != "json") {
    return {DiffOutcome::kFailed,
            Status::Failure("unknown format '" + options.format + "' (text or json)")};
  }
  std::unique_ptr<Store> store;
  if (Status opened = OpenStore(options.storePath, Access::kRead).Into(store); !opened.ok()) {
    return {DiffOutcome::kFailed, opened};
  }
  const Result<RunPair> picked = PickRuns(*store, options);
  if (!picked.ok()) {
    return {DiffOutcome::kFailed, picked.status()};
  }
  const StoredRun& runA = picked.value().before;
  const StoredRun& runB = picked.value().after;

  // Devices by name, each with its row in either run.
  std::map<std::string, std::pair<const StoredDevice*, const StoredDevice*>, TextOrder> devices;
  const Result<std::vector<StoredDevice>> before = store->LoadDevices(runA.id);
  const Result<std::vector<StoredDevice>> after =
      before.ok() ? store->LoadDevices(runB.id) : before;
  if (!after.ok()) {
    return {DiffOutcome::kFailed, after.status()};
  }
  for (const StoredDevice& d : before.value()) devices[d.name].first = &d;
  for (const StoredDevice& d : after.value()) devices[d.name].second = &d;

  const std::unique_ptr<DiffWriter> writer =
      options.format == "json" ? MakeJsonDiffWriter(out) : MakeTextDiffWriter(out);
  writer->Runs(runA, runB);
  bool changed = false;
  for (const auto& [name, rows] : devices) {
    const Result<std::optional<DeviceDiff>> diff =
        CompareDevice(*store, name, rows.first, rows.second, runA, runB);
    if (!diff.ok()) {
      return {DiffOutcome::kFailed, diff.status()};
    }
    if (!diff.value()) continue;
    changed = true;
    writer->Device(*diff.value());
  }
  writer->End();
  return changed ? DiffOutcome::kSomethingChanged : DiffOutcome::kNothingChanged;
}

}  // namespace store
