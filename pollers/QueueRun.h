// erx-discover queue: an inventory's devices queued as one run of jobs for
// the pollers of their regions (store/JobStore.h), and, with `wait`, the
// run's progress until its last device is stored, then the fleet's summary.
//
//   QueueOptions options;
//   options.inventory = "fleet.yaml";
//   options.store = "postgresql:///erx?host=/run/postgresql";
//   options.wait = true;
//   int status = QueueRun(options, std::cout, std::cerr);
#ifndef POLLERS_QUEUERUN_H_
#define POLLERS_QUEUERUN_H_

#include <ostream>
#include <string>

#include "fleet/FleetRun.h"

struct QueueOptions {
  std::string inventory;
  std::string store;
  bool wait = false;
  double pollSeconds = 1;  // how often --wait looks at the run
};

// kEveryDeviceDiscovered when queued (with `wait`: when every device was ok);
// kSomeDevicesFailed when some device was not; kCannotStart with a line on
// `log` when nothing was queued: a bad inventory, a device without a region,
// an unusable store, or the inventory's last run still open.
FleetOutcome QueueRun(const QueueOptions& options, std::ostream& out, std::ostream& log);

#endif  // POLLERS_QUEUERUN_H_
