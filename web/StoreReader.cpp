#include "web/StoreReader.h"

#include <chrono>
#include <sstream>

#include "store/RunDiff.h"

namespace web {

StoreReader::StoreReader(const std::string& storePath)
    : path_(storePath),
      deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(kQuerySeconds)) {
  if (Status opened = store::OpenStore(storePath, store::Access::kRead).Into(store_);
      !opened.ok()) {
    throw ReadError(opened.message());
  }
  store_->LimitQueryTime(kQuerySeconds);
}

StoreReader::~StoreReader() = default;

void StoreReader::Check(const Status& read) const {
  if (read.ok()) return;
  if (std::chrono::steady_clock::now() > deadline_) {
    throw ReadError(store_->Where() + ": the store took more than " +
                    std::to_string(kQuerySeconds) + " s to answer");
  }
  throw ReadError(read.message());
}

const std::vector<store::StoredRun>& StoreReader::AllRuns() {
  if (!runs_) {
    runs_ = Checked(store_->ListRuns());
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
  return Checked(store_->LoadRun(id));
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
  return Checked(store_->LoadDevices(run));
}

store::DeviceSizes StoreReader::Sizes(const store::StoredDevice& device) {
  return Checked(store_->LoadDeviceSizes(device));
}

report::Report StoreReader::Report(const store::StoredDevice& device) {
  return Checked(store_->LoadReport(device));
}

report::Report StoreReader::Report(const store::StoredDevice& device, int64_t offset,
                                   int64_t limit) {
  return Checked(store_->LoadReportPage(device, offset, limit));
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
  const Outcome<store::DiffOutcome> diff = store::DiffRuns(options, out);
  if (!diff.ok()) throw ReadError(diff.message());
  return out.str();
}

}  // namespace web
