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
  std::unique_ptr<store::Store> results;
  if (Status opened = store::OpenStore(storePath, store::Access::kRead).Into(results);
      !opened.ok()) {
    return opened;
  }
  Result<std::vector<store::StoredRun>> listed = results->ListRuns();
  if (!listed.ok()) return listed.status();
  const std::vector<store::StoredRun>& runs = listed.value();
  if (!runId) runId = LastFinishedRunBefore(runs, std::nullopt);
  if (!runId) return Status::Failure(storePath + " holds no finished run");
  const Result<std::optional<store::StoredRun>> found = results->LoadRun(*runId);
  if (!found.ok()) return found.status();
  if (!found.value()) return Status::Failure(storePath + " has no run " + std::to_string(*runId));
  run.storePath = storePath;
  run.run = *found.value();
  if (Status loaded = results->LoadDevices(*runId).Into(run.devices); !loaded.ok()) return loaded;
  run.routers.clear();
  for (const store::StoredDevice& device : run.devices) {
    if (!device.hasReport) continue;
    Result<report::Report> report = results->LoadReport(device);
    if (!report.ok()) return report.status();
    run.routers.push_back(std::move(report.value()));
  }
  run.previousRun = LastFinishedRunBefore(runs, *runId);
  return Status();
}

}  // namespace network
