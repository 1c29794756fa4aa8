// One device discovered from start to end, as erx-discover does for a single
// device and each worker of a fleet run does for its device: the capture is
// loaded or the live router logged in to, the agent module runs, the live
// session is closed (and its capture saved when asked).
//
//   DeviceSource source;
//   source.capture = "devices/pe1-erx";        // or source.live.host = "10.0.0.1"
//   report::Report found;
//   Outcome<DeviceOutcome> outcome = DiscoverOneDevice(source, options, tracesToStderr, found);
//   if (!outcome.ok()) ... outcome.code(), outcome.message()
#ifndef DISCOVERY_SINGLEDEVICE_H_
#define DISCOVERY_SINGLEDEVICE_H_

#include <string>

#include "discovery/DeviceOutcome.h"
#include "discovery/Discovery.h"
#include "discovery/LiveOptions.h"
#include "report/ReportModel.h"
#include "status/Outcome.h"

struct DeviceSource {
  std::string capture;  // used when live.host is empty
  LiveOptions live;
};

// kDiscovered when discovery ran (the agent's own errors are in `found`, what
// answered in found.health); otherwise another code with a one-line
// message. The capture's warnings
// (lines of its files that could not be read) go to standard error. While the
// agent runs its traces go to standard error when `tracesToStderr`.
Outcome<DeviceOutcome> DiscoverOneDevice(const DeviceSource& source,
                                         const DiscoveryOptions& options, bool tracesToStderr,
                                         report::Report& found);

#endif  // DISCOVERY_SINGLEDEVICE_H_
