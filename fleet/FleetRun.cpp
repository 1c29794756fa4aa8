#include "fleet/FleetRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "discovery/SingleDevice.h"
#include "fleet/DeviceKeeper.h"
#include "fleet/FleetProgress.h"
#include "fleet/FleetSummary.h"
#include "fleet/Inventory.h"
#include "fleet/SecretsCheck.h"
#include "fleet/StorePassword.h"
#include "fleet/WorkerPool.h"
#include "fleet/WorkerResult.h"
#include "host/KelError.h"
#include "store/Postgres.h"
#include "store/ResultsStore.h"

namespace {

// How a worker ends: 0 when it handed its result on, 1 when it could not
// (its parent gone).
enum WorkerStatus { kHandedOn = 0, kNotHandedOn = 1 };

bool WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// In the worker: one device discovered, and what was found handed to the
// parent, which alone writes the store and the report files.
int DiscoverInWorker(const InventoryDevice& device, const FleetOptions& options, int resultFd) {
  DeviceSource source;
  source.capture = device.capture;
  source.live = device.live;
  source.live.deviceTimeoutSeconds = 0;  // the worker pool keeps the deadline
  __Kelwick_Debug_Level = options.debugLevel;
  WorkerResult result;
  const Outcome<DeviceOutcome> discovered =
      DiscoverOneDevice(source, options.discovery, true, result.found);
  result.discovered = discovered.code() == DeviceOutcome::kDiscovered;
  result.problem = discovered.message();
  return WriteAll(resultFd, EncodeWorkerResult(result)) ? kHandedOn : kNotHandedOn;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

Status MakeOutputDir(const std::string& dir) {
  struct stat info;
  // Found now, not after every device was contacted.
  if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    if (access(dir.c_str(), W_OK | X_OK) == 0) return Status();
    return Status::Failure("cannot write into the output folder " + dir + ": " +
                           std::strerror(errno));
  }
  if (mkdir(dir.c_str(), 0777) == 0) return Status();
  return Status::Failure("cannot make the output folder " + dir + ": " + std::strerror(errno));
}

}  // namespace

Outcome<FleetOutcome> RunFleet(const FleetOptions& options, std::ostream& summaryOut) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<InventoryDevice> devices;
  Status ready = LoadInventory(options.inventory).Into(devices);
  if (ready.ok()) ready = CheckSecrets(options.inventory, devices);
  if (ready.ok() && !options.outputDir.empty()) ready = MakeOutputDir(options.outputDir);
  if (!ready.ok()) return {FleetOutcome::kCannotStart, ready};
  int64_t run = 0;
  // One connection for the whole run, used only by this process: the workers
  // never touch it (they end with exit(), which leaves this frame's objects
  // alone) and write nothing but their result pipe.
  std::unique_ptr<store::ResultsStore> results;
  if (!options.storePath.empty()) {
    results = std::make_unique<store::ResultsStore>();
    Status begun = store::IsPostgresLocation(options.storePath)
                       ? TakeStorePassword(DefaultSecretsFile(devices))
                       : Status();
    if (begun.ok()) begun = results->Open(options.storePath);
    if (begun.ok()) begun = results->BeginRun(AbsolutePath(options.inventory)).Into(run);
    if (!begun.ok()) return {FleetOutcome::kCannotStart, begun};
  }

  FleetProgress progress(devices.size(), !options.quiet && isatty(STDERR_FILENO), std::cerr);
  std::vector<DeviceSummary> summaries(devices.size());
  DeviceKeeper keeper(options, results.get(), run);
  WorkerPool pool(options.jobs, options.deviceTimeoutSeconds);
  pool.OnEveryTick([&] {
    progress.SetRunning(pool.Running());
    progress.Redraw();
  });
  pool.OnEveryErrorLine([&](size_t job, const std::string& line) {
    progress.Message(devices[job].name + ": " + line);
  });
  auto work = [&](size_t job, int resultFd) {
    return DiscoverInWorker(devices[job], options, resultFd);
  };
  auto ended = [&](const WorkerEnd& end) {
    std::vector<std::string> messages;
    summaries[end.job] = keeper.Keep(devices[end.job], end, messages);
    for (const std::string& message : messages) progress.Message(message);
    progress.DeviceEnded(summaries[end.job].status == DeviceStatus::kOk);
  };
  progress.Redraw();
  pool.Run(devices.size(), work, ended);
  progress.Finish();

  if (results) {
    if (Status finished = results->FinishRun(run); !finished.ok()) {
      std::cerr << "erx-discover: " << finished.message() << "\n";
    }
  }
  WriteSummary(summaries,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               summaryOut);
  for (const DeviceSummary& summary : summaries) {
    if (summary.status != DeviceStatus::kOk) return FleetOutcome::kSomeDevicesFailed;
  }
  return FleetOutcome::kEveryDeviceDiscovered;
}
