#include "fleet/DeviceKeeper.h"

#include <cstdio>
#include <cstring>

#include "files/WholeFile.h"
#include "fleet/WorkerResult.h"
#include "report/JsonReport.h"

namespace {

std::string SourceOf(const InventoryDevice& device) {
  return device.live.host.empty() ? device.capture : device.live.host;
}

// How a worker that handed on no report ended, as its summary line says it.
void FailureOf(const WorkerEnd& end, const WorkerResult& result, bool resultRead,
               const std::string& unreadable, const FleetOptions& options, DeviceSummary& summary) {
  if (end.how == WorkerEnd::kNotStarted) {
    summary.status = DeviceStatus::kFailed;
    summary.problem = end.result;
  } else if (end.how == WorkerEnd::kTimedOut) {
    summary.status = DeviceStatus::kTimeout;
    char deadline[32];
    std::snprintf(deadline, sizeof deadline, "%g", options.deviceTimeoutSeconds);
    summary.problem =
        std::string("not discovered within ") + deadline + " s: the worker was stopped";
  } else if (end.how == WorkerEnd::kKilledBySignal) {
    summary.status = DeviceStatus::kCrashed;
    summary.problem = "the worker died of signal " + std::to_string(end.signal) + " (" +
                      strsignal(end.signal) + ")";
  } else if (resultRead) {
    summary.status = DeviceStatus::kFailed;
    summary.problem = result.problem;
  } else {
    summary.status = DeviceStatus::kFailed;
    summary.problem = "the worker ended with status " + std::to_string(end.exitStatus) +
                      " and its result cannot be read: " + unreadable;
  }
}

Status WriteReportFile(files::WholeFile& file, const report::Report& found) {
  if (Status opened = file.Open(); !opened.ok()) return opened;
  WriteJsonReport(found, file.Stream());
  file.Stream().flush();
  return file.Stream() ? Status() : Status::Failure("a write failed");
}

bool NotKept(DeviceSummary& summary, const std::string& problem, bool stored) {
  summary.status = DeviceStatus::kFailed;
  summary.problem = problem;
  summary.counted = stored;
  return false;
}

}  // namespace

DeviceSummary DeviceKeeper::Keep(const InventoryDevice& device, const WorkerEnd& end,
                                 std::vector<std::string>& messages) {
  DeviceSummary summary;
  summary.device = device.name;
  summary.seconds = end.seconds;
  WorkerResult result;
  std::string unreadable;
  bool read = false;
  if (end.how != WorkerEnd::kNotStarted) {
    const Status decoded = DecodeWorkerResult(end.result).Into(result);
    read = decoded.ok();
    unreadable = decoded.message();
  }
  if (read && result.discovered) {
    CountReport(result.found, summary);
    if (KeepReport(device, summary, result.found)) return summary;
    if (summary.counted) return summary;  // stored, but its report file is missing
  } else {
    FailureOf(end, result, read, unreadable, options_, summary);
  }
  if (results_) {
    if (Status stored = results_->StoreDevice(run_, OutcomeOf(device, summary), nullptr);
        !stored.ok()) {
      messages.push_back(device.name + ": " + stored.message());
    }
  }
  return summary;
}

store::DeviceOutcome DeviceKeeper::OutcomeOf(const InventoryDevice& device,
                                             const DeviceSummary& summary) const {
  store::DeviceOutcome outcome;
  outcome.name = device.name;
  outcome.source = SourceOf(device);
  outcome.region = device.region;
  outcome.status = DeviceStatusName(summary.status);
  outcome.problem = summary.problem;
  outcome.seconds = summary.seconds;
  return outcome;
}

// The report is written whole into a temporary file before the device is
// stored and put in place after the store took it, so that no report file
// names a device the store does not hold. False, with the summary saying why,
// when the device was not kept whole; `counted` stays set when the store has it.
bool DeviceKeeper::KeepReport(const InventoryDevice& device, DeviceSummary& summary,
                              const report::Report& found) {
  const std::string path = options_.outputDir + "/" + device.name + ".json";
  files::WholeFile file(path);
  const bool toFile = !options_.outputDir.empty();
  if (toFile) {
    if (Status written = WriteReportFile(file, found); !written.ok()) {
      return NotKept(summary, "cannot write the report to " + path + ": " + written.message(),
                     false);
    }
  }
  if (results_) {
    store::DeviceOutcome outcome = OutcomeOf(device, summary);
    outcome.problem = found.health.problems.empty() ? "" : found.health.problems.front();
    if (Status stored = results_->StoreDevice(run_, outcome, &found); !stored.ok()) {
      return NotKept(summary, stored.message(), false);
    }
  }
  if (toFile) {
    if (Status committed = file.Commit(); !committed.ok()) {
      return NotKept(summary, "cannot write the report to " + path + ": " + committed.message(),
                     true);
    }
  }
  return true;
}
