#include "store/SqlStore.h"

#include <ctime>

#include "store/DeviceWriter.h"
#include "store/StoredDevice.h"
#include "version/Version.h"

namespace store {

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
  return text;
}

template <typename Work>
Status SqlStore::Do(const std::string& what, Work work) {
  try {
    if (what.empty()) {
      work();
      return Status();
    }
    Transaction transaction(*db_);
    work();
    transaction.Commit();
    return Status();
  } catch (const StoreError& error) {
    return Status::Failure(Where() + ": " + (what.empty() ? "" : what + ": ") + error.what());
  }
}

Result<int64_t> SqlStore::BeginRun(const std::string& inventory) {
  int64_t runId = 0;
  const Status begun = Do("starting a run", [&] {
    Statement run(*db_,
                  "INSERT INTO runs(started_at, inventory, program_version) VALUES (?, ?, ?)"
                  " RETURNING id");
    runId = run.Bind(UtcNow()).Bind(inventory).Bind(version::Line("erx-discover")).Insert();
  });
  if (!begun.ok()) return begun;
  return runId;
}

Status SqlStore::FinishRun(int64_t runId) {
  return Do("finishing run " + std::to_string(runId), [&] {
    Statement run(*db_, "UPDATE runs SET finished_at = ? WHERE id = ? RETURNING id");
    if (!run.Bind(UtcNow()).Bind(runId).Next()) throw StoreError("no such run");
    run.Reset();
  });
}

Status SqlStore::StoreDevice(int64_t runId, const DeviceOutcome& outcome,
                             const report::Report* found) {
  return Do("storing " + outcome.name, [&] { WriteDevice(*db_, runId, outcome, found); });
}

template <typename T, typename Reader>
Result<T> SqlStore::Read(Reader read) {
  T value{};
  const Status done = Do("", [&] { value = read(); });
  if (!done.ok()) return done;
  return value;
}

Result<std::vector<StoredRun>> SqlStore::ListRuns() {
  return Read<std::vector<StoredRun>>([&] { return store::LoadRuns(*db_); });
}

Result<std::optional<StoredRun>> SqlStore::LoadRun(int64_t runId) {
  return Read<std::optional<StoredRun>>([&] { return store::LoadRun(*db_, runId); });
}

Result<std::vector<StoredDevice>> SqlStore::LoadDevices(int64_t runId) {
  return Read<std::vector<StoredDevice>>([&] { return store::LoadDevices(*db_, runId); });
}

Result<report::Report> SqlStore::LoadReport(const StoredDevice& device) {
  return Read<report::Report>([&] { return store::LoadReport(*db_, device); });
}

Result<report::Report> SqlStore::LoadReportPage(const StoredDevice& device, int64_t offset,
                                                int64_t limit) {
  return Read<report::Report>([&] { return store::LoadReport(*db_, device, offset, limit); });
}

Result<DeviceSizes> SqlStore::LoadDeviceSizes(const StoredDevice& device) {
  return Read<DeviceSizes>([&] { return store::LoadDeviceSizes(*db_, device.id); });
}

}  // namespace store
