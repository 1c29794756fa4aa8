// The fleet parent's side of each device: what its worker handed back read,
// the device stored (one transaction) and its report file written, only
// once the store took it. A result cut short or garbled by a worker that
// died makes a failed device with a problem that says so.
//
//   DeviceKeeper keeper(options, &results, run);      // results: null for no store
//   std::vector<std::string> messages;                // what the progress display shows
//   DeviceSummary summary = keeper.Keep(device, end, messages);
#ifndef FLEET_DEVICEKEEPER_H_
#define FLEET_DEVICEKEEPER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "fleet/FleetRun.h"
#include "fleet/FleetSummary.h"
#include "fleet/Inventory.h"
#include "fleet/WorkerPool.h"
#include "report/ReportModel.h"
#include "store/ResultsStore.h"

namespace files {
class WholeFile;
}

class DeviceKeeper {
 public:
  DeviceKeeper(const FleetOptions& options, store::ResultsStore* results, int64_t run)
      : options_(options), results_(results), run_(run) {}

  // The summary of the device whose worker ended, once kept. A report that
  // arrived whole is the device's result, however the worker ended after
  // sending it (it was only exiting).
  DeviceSummary Keep(const InventoryDevice& device, const WorkerEnd& end,
                     std::vector<std::string>& messages);

 private:
  store::DeviceOutcome OutcomeOf(const InventoryDevice& device, const DeviceSummary& summary) const;
  bool KeepReport(const InventoryDevice& device, DeviceSummary& summary,
                  const report::Report& found);

  const FleetOptions& options_;
  store::ResultsStore* results_;
  int64_t run_;
};

#endif  // FLEET_DEVICEKEEPER_H_
