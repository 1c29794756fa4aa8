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

Status LoadNetworkRun(const std::string& storePath, std::optional<int64_t> runId, NetworkRun& run) {
  std::string problem;  // what the store says
  const std::unique_ptr<store::Store> results =
      store::OpenStore(storePath, store::Access::kRead, problem);
  if (!results) return Status::Failure(problem);
  std::vector<store::StoredRun> runs;
  if (!results->ListRuns(runs, problem)) return Status::Failure(problem);
  if (!runId) runId = LastFinishedRunBefore(runs, std::nullopt);
  if (!runId) return Status::Failure(storePath + " holds no finished run");
  std::optional<store::StoredRun> found;
  if (!results->LoadRun(*runId, found, problem)) return Status::Failure(problem);
  if (!found) return Status::Failure(storePath + " has no run " + std::to_string(*runId));
  run.storePath = storePath;
  run.run = *found;
  if (!results->LoadDevices(*runId, run.devices, problem)) return Status::Failure(problem);
  run.routers.clear();
  for (const store::StoredDevice& device : run.devices) {
    if (!device.hasReport) continue;
    run.routers.emplace_back();
    if (!results->LoadReport(device, run.routers.back(), problem)) return Status::Failure(problem);
  }
  run.previousRun = LastFinishedRunBefore(runs, *runId);
  return Status();
}

}  // namespace network
