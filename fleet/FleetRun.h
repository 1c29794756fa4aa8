// erx-discover's fleet mode: every device of an inventory discovered, a few at
// a time, each in a worker process of its own running the single-device
// discovery. Each worker hands its device's report back over a pipe; this
// process alone stores it (--store, one transaction a device) and writes its
// report file (--output-dir) as the worker ends; a progress bar while it runs
// and a summary table at the end.
//
//   erx-discover --inventory fleet.yaml --jobs 4 --store fleet.db --output-dir reports/
#ifndef FLEET_FLEETRUN_H_
#define FLEET_FLEETRUN_H_

#include <string>

#include "discovery/Discovery.h"
#include "status/Outcome.h"

struct FleetOptions {
  std::string inventory;
  int jobs = 1;
  double deviceTimeoutSeconds = 600;  // 0: no deadline
  std::string storePath;              // empty: nothing stored
  std::string outputDir;              // empty: no report files
  bool quiet = false;                 // no progress bar
  int debugLevel = 0;                 // the agent's traces, on standard error
  DiscoveryOptions discovery;
};

// How a fleet run ended: every device ok, some not (the summary says which),
// or nothing started.
enum class FleetOutcome { kEveryDeviceDiscovered, kSomeDevicesFailed, kCannotStart };

// Runs the fleet; writes the summary to `summary`. kCannotStart, with its
// message, when the inventory, the store or the output folder is not usable:
// then no device has been contacted.
Outcome<FleetOutcome> RunFleet(const FleetOptions& options, std::ostream& summary);

#endif  // FLEET_FLEETRUN_H_
