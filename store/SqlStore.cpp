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
bool SqlStore::Do(std::string& problem, const std::string& what, Work work) {
  try {
    if (what.empty()) {
      work();
      return true;
    }
    Transaction transaction(*db_);
    work();
    transaction.Commit();
    return true;
  } catch (const StoreError& error) {
    problem = Where() + ": " + (what.empty() ? "" : what + ": ") + error.what();
    return false;
  }
}

bool SqlStore::BeginRun(const std::string& inventory, int64_t& runId, std::string& problem) {
  return Do(problem, "starting a run", [&] {
    Statement run(*db_,
                  "INSERT INTO runs(started_at, inventory, program_version) VALUES (?, ?, ?)"
                  " RETURNING id");
    runId = run.Bind(UtcNow()).Bind(inventory).Bind(version::Line("erx-discover")).Insert();
  });
}

bool SqlStore::FinishRun(int64_t runId, std::string& problem) {
  return Do(problem, "finishing run " + std::to_string(runId), [&] {
    Statement run(*db_, "UPDATE runs SET finished_at = ? WHERE id = ? RETURNING id");
    if (!run.Bind(UtcNow()).Bind(runId).Next()) throw StoreError("no such run");
    run.Reset();
  });
}

bool SqlStore::StoreDevice(int64_t runId, const DeviceOutcome& outcome, const report::Report* found,
                           std::string& problem) {
  return Do(problem, "storing " + outcome.name, [&] { WriteDevice(*db_, runId, outcome, found); });
}

bool SqlStore::ListRuns(std::vector<StoredRun>& runs, std::string& problem) {
  return Do(problem, "", [&] { runs = store::LoadRuns(*db_); });
}

bool SqlStore::LoadRun(int64_t runId, std::optional<StoredRun>& run, std::string& problem) {
  return Do(problem, "", [&] { run = store::LoadRun(*db_, runId); });
}

bool SqlStore::LoadDevices(int64_t runId, std::vector<StoredDevice>& devices,
                           std::string& problem) {
  return Do(problem, "", [&] { devices = store::LoadDevices(*db_, runId); });
}

bool SqlStore::LoadReport(const StoredDevice& device, report::Report& found, std::string& problem) {
  return Do(problem, "", [&] { found = store::LoadReport(*db_, device); });
}

bool SqlStore::LoadReportPage(const StoredDevice& device, int64_t offset, int64_t limit,
                              report::Report& found, std::string& problem) {
  return Do(problem, "", [&] { found = store::LoadReport(*db_, device, offset, limit); });
}

bool SqlStore::LoadDeviceSizes(const StoredDevice& device, DeviceSizes& sizes,
                               std::string& problem) {
  return Do(problem, "", [&] { sizes = store::LoadDeviceSizes(*db_, device.id); });
}

}  // namespace store
