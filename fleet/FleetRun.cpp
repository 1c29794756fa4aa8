#include "fleet/FleetRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

#include "files/WholeFile.h"
#include "fleet/FleetProgress.h"
#include "fleet/FleetSummary.h"
#include "fleet/Inventory.h"
#include "report/JsonReport.h"
#include "host/KelError.h"
#include "store/ResultsStore.h"
#include "fleet/SecretsCheck.h"
#include "discovery/SingleDevice.h"
#include "fleet/WorkerPool.h"

namespace {

// How a worker ends: only its exit status 0 says that its device was kept.
enum WorkerStatus { kKept = 0, kNotKept = 1 };

std::string SourceOf(const InventoryDevice& device) {
  return device.live.host.empty() ? device.capture : device.live.host;
}

bool WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// The report is written whole into a temporary file before the device is
// stored and put in place after the store took it: a worker stopped at any
// moment leaves no report of a device the store does not hold.
bool WriteReportFile(files::WholeFile& file, const std::string& path, const report::Report& found,
                     std::string& problem) {
  if (Status opened = file.Open(); !opened.ok()) {
    problem = "cannot write the report to " + path + ": " + opened.message();
    return false;
  }
  WriteJsonReport(found, file.Stream());
  file.Stream().flush();
  if (!file.Stream()) {
    problem = "cannot write the report to " + path;
    return false;
  }
  return true;
}

// In the worker: one device, from discovery to the store. The result is
// "counts ..." when the device was discovered and kept, else "problem ...".
int DiscoverAndKeep(const InventoryDevice& device, const FleetOptions& options, int64_t run,
                    int resultFd) {
  const auto start = std::chrono::steady_clock::now();
  DeviceSource source;
  source.capture = device.capture;
  source.live = device.live;
  source.live.deviceTimeoutSeconds = 0;  // the worker pool keeps the deadline
  __Kelwick_Debug_Level = options.debugLevel;
  report::Report found;
  std::string problem;
  const DeviceOutcome discovered =
      DiscoverOneDevice(source, options.discovery, true, found, problem);
  int status = discovered == DeviceOutcome::kDiscovered ? kKept : kNotKept;
  const std::string reportPath = options.outputDir + "/" + device.name + ".json";
  files::WholeFile reportFile(reportPath);
  if (status == kKept && !options.outputDir.empty() &&
      !WriteReportFile(reportFile, reportPath, found, problem)) {
    status = kNotKept;
  }
  if (status == kKept && !options.storePath.empty()) {
    store::DeviceOutcome outcome;
    outcome.name = device.name;
    outcome.source = SourceOf(device);
    outcome.status = HealthStatusName(found.health.status);
    outcome.problem = found.health.problems.empty() ? "" : found.health.problems.front();
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    store::ResultsStore results;
    if (!results.Open(options.storePath, problem) ||
        !results.StoreDevice(run, outcome, &found, problem)) {
      status = kNotKept;
    }
  }
  if (status == kKept && !options.outputDir.empty()) {
    if (Status written = reportFile.Commit(); !written.ok()) {
      problem = "cannot write the report to " + reportPath + ": " + written.message();
      status = kNotKept;
    }
  }
  WriteAll(resultFd, status == kKept ? CountsLine(found) + "\n" + HealthResultLine(found) + "\n"
                                      : "problem " + problem + "\n");
  return status;
}

// The summary line of a worker that ended. A worker that handed on its counts
// had kept its device (stored it, wrote its report); one stopped at the
// deadline after that was only exiting.
DeviceSummary SummaryOf(const InventoryDevice& device, const WorkerEnd& end,
                        const FleetOptions& options) {
  DeviceSummary summary;
  summary.device = device.name;
  summary.seconds = end.seconds;
  const std::string line = end.result.substr(0, end.result.find('\n'));
  const bool kept = ReadCountsLine(line, summary);
  const bool discovered = kept && (end.how == WorkerEnd::kTimedOut ||
                                   (end.how == WorkerEnd::kExited && end.exitStatus == 0));
  if (discovered) {
    const size_t next = end.result.find('\n');
    ReadHealthResultLine(next == std::string::npos ? "" : end.result.substr(next + 1), summary);
  } else if (end.how == WorkerEnd::kNotStarted) {
    summary.status = DeviceStatus::kFailed;
    summary.problem = end.result;
  } else if (end.how == WorkerEnd::kTimedOut) {
    summary.status = DeviceStatus::kTimeout;
    char deadline[32];
    std::snprintf(deadline, sizeof deadline, "%g", options.deviceTimeoutSeconds);
    summary.problem = std::string("not discovered within ") + deadline + " s: the worker was stopped";
  } else if (end.how == WorkerEnd::kKilledBySignal) {
    summary.status = DeviceStatus::kCrashed;
    summary.problem = "the worker died of signal " + std::to_string(end.signal) + " (" +
                      strsignal(end.signal) + ")";
  } else {
    summary.status = DeviceStatus::kFailed;
    summary.problem = line.rfind("problem ", 0) == 0
                          ? line.substr(8)
                          : "the worker ended with status " + std::to_string(end.exitStatus);
  }
  if (kept && !discovered) summary.problem += " after it kept its device";
  summary.counted = kept;
  return summary;
}

// A device that did not get as far as the store is stored by its outcome alone.
bool StoreFailure(const FleetOptions& options, int64_t run, const InventoryDevice& device,
                  const DeviceSummary& summary, std::string& problem) {
  store::ResultsStore results;
  store::DeviceOutcome outcome;
  outcome.name = device.name;
  outcome.source = SourceOf(device);
  outcome.status = DeviceStatusName(summary.status);
  outcome.problem = summary.problem;
  outcome.seconds = summary.seconds;
  return results.Open(options.storePath, problem) &&
         results.StoreDevice(run, outcome, nullptr, problem);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

bool MakeOutputDir(const std::string& dir, std::string& problem) {
  struct stat info;
  // Found now, not after every device was contacted.
  if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    if (access(dir.c_str(), W_OK | X_OK) == 0) return true;
    problem = "cannot write into the output folder " + dir + ": " + std::strerror(errno);
    return false;
  }
  if (mkdir(dir.c_str(), 0777) == 0) return true;
  problem = "cannot make the output folder " + dir + ": " + std::strerror(errno);
  return false;
}

}  // namespace

FleetOutcome RunFleet(const FleetOptions& options, std::ostream& summaryOut, std::string& problem) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<InventoryDevice> devices;
  if (!LoadInventory(options.inventory, devices, problem) ||
      !CheckSecrets(options.inventory, devices, problem)) {
    return FleetOutcome::kCannotStart;
  }
  if (!options.outputDir.empty() && !MakeOutputDir(options.outputDir, problem)) {
    return FleetOutcome::kCannotStart;
  }
  int64_t run = 0;
  if (!options.storePath.empty()) {
    // The store is opened only for a moment at a time: a connection must
    // never be open while the workers are forked from this process.
    store::ResultsStore results;
    if (!results.Open(options.storePath, problem) ||
        !results.BeginRun(AbsolutePath(options.inventory), run, problem)) {
      return FleetOutcome::kCannotStart;
    }
  }

  FleetProgress progress(devices.size(), !options.quiet && isatty(STDERR_FILENO), std::cerr);
  std::vector<DeviceSummary> summaries(devices.size());
  WorkerPool pool(options.jobs, options.deviceTimeoutSeconds);
  pool.OnEveryTick([&] {
    progress.SetRunning(pool.Running());
    progress.Redraw();
  });
  pool.OnEveryErrorLine([&](size_t job, const std::string& line) {
    progress.Message(devices[job].name + ": " + line);
  });
  auto work = [&](size_t job, int resultFd) {
    return DiscoverAndKeep(devices[job], options, run, resultFd);
  };
  auto ended = [&](const WorkerEnd& end) {
    DeviceSummary& summary = summaries[end.job] = SummaryOf(devices[end.job], end, options);
    std::string notStored;
    if (summary.status != DeviceStatus::kOk && !options.outputDir.empty()) {
      files::RemoveLeftTemporaries(options.outputDir + "/" + devices[end.job].name + ".json");
    }
    if (!summary.counted && !options.storePath.empty() &&
        !StoreFailure(options, run, devices[end.job], summary, notStored)) {
      progress.Message(devices[end.job].name + ": " + notStored);
    }
    progress.DeviceEnded(summary.status == DeviceStatus::kOk);
  };
  progress.Redraw();
  pool.Run(devices.size(), work, ended);
  progress.Finish();

  if (!options.storePath.empty()) {
    store::ResultsStore results;
    std::string notFinished;
    if (!results.Open(options.storePath, notFinished) || !results.FinishRun(run, notFinished)) {
      std::cerr << "erx-discover: " << notFinished << "\n";
    }
  }
  WriteSummary(summaries, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               summaryOut);
  for (const DeviceSummary& summary : summaries) {
    if (summary.status != DeviceStatus::kOk) return FleetOutcome::kSomeDevicesFailed;
  }
  return FleetOutcome::kEveryDeviceDiscovered;
}
