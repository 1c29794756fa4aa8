#include "pollers/QueueRun.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "fleet/FleetSummary.h"
#include "fleet/Inventory.h"
#include "pollers/JobSettings.h"
#include "store/JobStore.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string AbsolutePath(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

// One line per region, and the pollers alive that serve it.
std::string ProgressLines(const store::RunOverview& run,
                          const std::vector<store::PollerState>& pollers) {
  std::string lines;
  for (const store::RegionCounts& region : run.regions) {
    int alive = 0;
    for (const store::PollerState& poller : pollers) {
      const std::string list = ", " + poller.regions + ",";
      if (poller.alive && list.find(", " + region.region + ",") != std::string::npos) ++alive;
    }
    lines += "  " + region.region + ": " + std::to_string(region.ok) + " done, " +
             std::to_string(region.notOk) + " failed, " + std::to_string(region.running) +
             " running, " + std::to_string(region.waiting) + " waiting; " + std::to_string(alive) +
             " poller" + (alive == 1 ? "" : "s") + " alive\n";
  }
  return lines;
}

// The fleet's summary table of a finished run.
Result<std::vector<DeviceSummary>> Summarize(const std::string& where, int64_t runId) {
  std::unique_ptr<store::Store> results;
  if (Status opened = store::OpenStore(where, store::Access::kRead).Into(results); !opened.ok()) {
    return opened;
  }
  const Result<std::vector<store::StoredDevice>> devices = results->LoadDevices(runId);
  if (!devices.ok()) return devices.status();
  std::vector<DeviceSummary> summaries;
  for (const store::StoredDevice& device : devices.value()) {
    DeviceSummary summary;
    summary.device = device.name;
    summary.status = DeviceStatusNamed(device.status);
    summary.problem = device.problem;
    const Result<store::DeviceSizes> sizes = results->LoadDeviceSizes(device);
    if (!sizes.ok()) return sizes.status();
    summary.seconds = sizes.value().seconds;
    if (device.hasReport) {
      const Result<report::Report> loaded = results->LoadReport(device);
      if (!loaded.ok()) return loaded.status();
      const report::Report& found = loaded.value();
      summary.counted = true;
      summary.labelEntries = found.labelEntries.size();
      summary.vrfs = found.vrfs.size();
      size_t impositions = 0;
      for (const report::Vrf& vrf : found.vrfs)
        impositions += vrf.impositions ? vrf.impositions->size() : 0;
      summary.impositions = impositions;
      summary.errors = found.errors.size();
    }
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

// Follows the run until none of its jobs waits or runs; a store that cannot
// be reached is waited for.
FleetOutcome Wait(const QueueOptions& options, int64_t runId, Clock::time_point start,
                  std::ostream& out, std::ostream& log) {
  std::unique_ptr<store::JobStore> jobs;
  std::string shown;
  while (true) {
    Status opened;
    if (!jobs) opened = store::JobStore::Open(options.store, store::Access::kRead, true).Into(jobs);
    const Result<store::RunOverview> run = opened.ok() ? jobs->RunCounts(runId) : opened;
    const Result<std::vector<store::PollerState>> pollers =
        run.ok() ? jobs->Pollers() : run.status();
    if (pollers.ok()) {
      const std::string lines = ProgressLines(run.value(), pollers.value());
      if (lines != shown) out << "run " << runId << ":\n" << lines << std::flush;
      shown = lines;
      if (!run.value().open) break;
    } else {
      log << "erx-discover: " << pollers.message() << "; trying again\n";
      jobs.reset();
    }
    std::this_thread::sleep_for(
        std::chrono::milliseconds(static_cast<int>(options.pollSeconds * 1000)));
  }
  const Result<std::vector<DeviceSummary>> summaries = Summarize(options.store, runId);
  if (!summaries.ok()) {
    log << "erx-discover: " << summaries.message() << "\n";
    return FleetOutcome::kCannotStart;
  }
  out << "\n";
  WriteSummary(summaries.value(), std::chrono::duration<double>(Clock::now() - start).count(), out);
  for (const DeviceSummary& summary : summaries.value()) {
    if (summary.status != DeviceStatus::kOk) return FleetOutcome::kSomeDevicesFailed;
  }
  return FleetOutcome::kEveryDeviceDiscovered;
}

}  // namespace

FleetOutcome QueueRun(const QueueOptions& options, std::ostream& out, std::ostream& log) {
  const Clock::time_point start = Clock::now();
  std::vector<InventoryDevice> devices;
  if (Status loaded = LoadInventory(options.inventory).Into(devices); !loaded.ok()) {
    log << "erx-discover: " << loaded.message() << "\n";
    return FleetOutcome::kCannotStart;
  }
  std::vector<store::JobToQueue> jobs;
  std::set<std::string> regions;
  for (const InventoryDevice& device : devices) {
    if (device.region.empty()) {
      log << "erx-discover: " << options.inventory << ":" << device.line << ": device "
          << device.name
          << ": no region: a run shared by pollers needs one for every device (region: in the "
             "device or in defaults:)\n";
      return FleetOutcome::kCannotStart;
    }
    regions.insert(device.region);
    jobs.push_back({device.name, device.live.host.empty() ? device.capture : device.live.host,
                    device.region, JobSettings(device)});
  }
  std::unique_ptr<store::JobStore> store;
  const Status opened =
      store::JobStore::Open(options.store, store::Access::kWrite, true).Into(store);
  const Result<store::QueuedRun> queued =
      opened.ok() ? store->Queue(AbsolutePath(options.inventory), jobs) : opened;
  if (!queued.ok()) {
    log << "erx-discover: " << queued.message() << "\n";
    return FleetOutcome::kCannotStart;
  }
  const int64_t run = queued.value().runId;
  const int64_t openRun = queued.value().openRun;
  if (openRun != 0) {
    log << "erx-discover: " << options.inventory << ": run " << openRun
        << " of this inventory is still open (devices waiting or being discovered); nothing "
           "was queued\n";
    return FleetOutcome::kCannotStart;
  }
  out << "run " << run << " queued: " << jobs.size() << " device" << (jobs.size() == 1 ? "" : "s")
      << " in " << regions.size() << " region" << (regions.size() == 1 ? "" : "s") << "\n"
      << std::flush;
  store.reset();
  return options.wait ? Wait(options, run, start, out, log) : FleetOutcome::kEveryDeviceDiscovered;
}
