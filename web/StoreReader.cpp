#include "web/StoreReader.h"

#include <chrono>
#include <sstream>

#include "store/RunDiff.h"

namespace web {

StoreReader::StoreReader(const std::string& storePath)
    : path_(storePath),
      deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(kQuerySeconds)) {
  std::string problem;
  store_ = store::OpenStore(storePath, store::Access::kRead, problem);
  if (!store_) throw ReadError(problem);
  store_->LimitQueryTime(kQuerySeconds);
}

StoreReader::~StoreReader() = default;

void StoreReader::Check(bool ok, const std::string& problem) const {
  if (ok) return;
  if (std::chrono::steady_clock::now() > deadline_) {
    throw ReadError(store_->Where() + ": the store took more than " +
                    std::to_string(kQuerySeconds) + " s to answer");
  }
  throw ReadError(problem);
}

const std::vector<store::StoredRun>& StoreReader::AllRuns() {
  if (!runs_) {
    runs_.emplace();
    std::string problem;
    Check(store_->ListRuns(*runs_, problem), problem);
  }
  return *runs_;
}

int64_t StoreReader::CountRuns() { return static_cast<int64_t>(AllRuns().size()); }

std::vector<store::StoredRun> StoreReader::Runs(int64_t offset, int64_t limit) {
  const std::vector<store::StoredRun>& runs = AllRuns();
  std::vector<store::StoredRun> page;
  for (int64_t i = static_cast<int64_t>(runs.size()) - 1 - offset; i >= 0 && limit > 0;
       --i, --limit) {
    page.push_back(runs[static_cast<size_t>(i)]);
  }
  return page;
}

std::optional<store::StoredRun> StoreReader::Run(int64_t id) {
  std::optional<store::StoredRun> run;
  std::string problem;
  Check(store_->LoadRun(id, run, problem), problem);
  return run;
}

std::optional<int64_t> StoreReader::LastFinishedRun() { return FinishedRunBefore(INT64_MAX); }

std::optional<int64_t> StoreReader::FinishedRunBefore(int64_t id) {
  const std::vector<store::StoredRun>& runs = AllRuns();
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    if (run->id < id && run->finishedAt) return run->id;
  }
  return std::nullopt;
}

std::vector<store::StoredDevice> StoreReader::Devices(int64_t run) {
  std::vector<store::StoredDevice> devices;
  std::string problem;
  Check(store_->LoadDevices(run, devices, problem), problem);
  return devices;
}

store::DeviceSizes StoreReader::Sizes(const store::StoredDevice& device) {
  store::DeviceSizes sizes;
  std::string problem;
  Check(store_->LoadDeviceSizes(device, sizes, problem), problem);
  return sizes;
}

report::Report StoreReader::Report(const store::StoredDevice& device) {
  report::Report found;
  std::string problem;
  Check(store_->LoadReport(device, found, problem), problem);
  return found;
}

report::Report StoreReader::Report(const store::StoredDevice& device, int64_t offset,
                                   int64_t limit) {
  report::Report found;
  std::string problem;
  Check(store_->LoadReportPage(device, offset, limit, found, problem), problem);
  return found;
}

network::NetworkRun StoreReader::Network(int64_t run) {
  network::NetworkRun found;
  if (Status loaded = network::LoadNetworkRun(path_, run, found); !loaded.ok()) {
    throw ReadError(loaded.message());
  }
  return found;
}

std::string StoreReader::Diff(int64_t runA, int64_t runB, const std::string& format) {
  store::DiffOptions options;
  options.storePath = path_;
  options.runA = runA;
  options.runB = runB;
  options.format = format;
  std::ostringstream out;
  std::string problem;
  if (store::DiffRuns(options, out, problem) == store::DiffOutcome::kFailed)
    throw ReadError(problem);
  return out.str();
}

}  // namespace web
