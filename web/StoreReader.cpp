#include "web/StoreReader.h"

#include <chrono>
#include <sstream>

#include "store/RunDiff.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

namespace web {

namespace {

// SQLite asks this every few thousand steps of a query; past the request's
// deadline the query is interrupted and fails.
int PastDeadline(void* deadline) {
  return std::chrono::steady_clock::now() >
         *static_cast<std::chrono::steady_clock::time_point*>(deadline);
}

}  // namespace

StoreReader::StoreReader(const std::string& storePath)
    : path_(storePath),
      deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(kQuerySeconds)) {
  std::string problem;
  db_ = store::OpenStoreFile(storePath, store::Access::kRead, problem);
  if (!db_) throw ReadError(problem);
  sqlite3_progress_handler(db_, 10000, PastDeadline, &deadline_);
}

StoreReader::~StoreReader() { sqlite3_close(db_); }

template <typename Read>
auto StoreReader::Guarded(Read read) -> decltype(read()) {
  try {
    return read();
  } catch (const store::SqliteError& error) {
    if (std::chrono::steady_clock::now() > deadline_) {
      throw ReadError(path_ + ": the store took more than " + std::to_string(kQuerySeconds) +
                      " s to answer");
    }
    throw ReadError(path_ + ": " + error.what());
  }
}

int64_t StoreReader::CountRuns() {
  return Guarded([&] { return store::CountRuns(db_); });
}

std::vector<store::StoredRun> StoreReader::Runs(int64_t offset, int64_t limit) {
  return Guarded([&] { return store::LoadRuns(db_, offset, limit); });
}

std::optional<store::StoredRun> StoreReader::Run(int64_t id) {
  return Guarded([&] { return store::LoadRun(db_, id); });
}

std::optional<int64_t> StoreReader::LastFinishedRun() { return FinishedRunBefore(INT64_MAX); }

std::optional<int64_t> StoreReader::FinishedRunBefore(int64_t id) {
  return Guarded([&] { return store::LastFinishedRunBefore(db_, id); });
}

std::vector<store::StoredDevice> StoreReader::Devices(int64_t run) {
  return Guarded([&] { return store::LoadDevices(db_, run); });
}

store::DeviceSizes StoreReader::Sizes(const store::StoredDevice& device) {
  return Guarded([&] { return store::LoadDeviceSizes(db_, device.id); });
}

report::Report StoreReader::Report(const store::StoredDevice& device) {
  return Guarded([&] { return store::LoadReport(db_, device); });
}

report::Report StoreReader::Report(const store::StoredDevice& device, int64_t offset,
                                   int64_t limit) {
  return Guarded([&] { return store::LoadReport(db_, device, offset, limit); });
}

network::NetworkRun StoreReader::Network(int64_t run) {
  network::NetworkRun found;
  std::string problem;
  if (!network::LoadNetworkRun(path_, run, found, problem)) throw ReadError(problem);
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
  if (store::DiffRuns(options, out, problem) == store::kDiffFailed) throw ReadError(problem);
  return out.str();
}

}  // namespace web
