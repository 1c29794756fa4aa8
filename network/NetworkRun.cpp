#include "network/NetworkRun.h"

#include <memory>

namespace network {
namespace {

// The last finished run before `limit` (any, when none is given).
std::optional<int64_t> LastFinishedRunBefore(const std::vector<store::StoredRun>& runs,
                                             std::optional<int64_t> limit) {
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    if (run->finishedAt && (!limit || run->id < *limit)) return run->id;
  }
  return std::nullopt;
}

}  // namespace

bool LoadNetworkRun(const std::string& storePath, std::optional<int64_t> runId, NetworkRun& run,
                    std::string& problem) {
  const std::unique_ptr<store::Store> results =
      store::OpenStore(storePath, store::Access::kRead, problem);
  if (!results) return false;
  std::vector<store::StoredRun> runs;
  if (!results->ListRuns(runs, problem)) return false;
  if (!runId) runId = LastFinishedRunBefore(runs, std::nullopt);
  if (!runId) {
    problem = storePath + " holds no finished run";
    return false;
  }
  std::optional<store::StoredRun> found;
  if (!results->LoadRun(*runId, found, problem)) return false;
  if (!found) {
    problem = storePath + " has no run " + std::to_string(*runId);
    return false;
  }
  run.storePath = storePath;
  run.run = *found;
  if (!results->LoadDevices(*runId, run.devices, problem)) return false;
  run.routers.clear();
  for (const store::StoredDevice& device : run.devices) {
    if (!device.hasReport) continue;
    run.routers.emplace_back();
    if (!results->LoadReport(device, run.routers.back(), problem)) return false;
  }
  run.previousRun = LastFinishedRunBefore(runs, *runId);
  return true;
}

}  // namespace network
