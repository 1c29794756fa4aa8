// One device discovered from start to end, as erx-discover does for a single
// device and each worker of a fleet run does for its device: the capture is
// loaded or the live router logged in to, the agent module runs, the live
// session is closed (and its capture saved when asked).
//
//   DeviceSource source;
//   source.capture = "devices/pe1-erx";        // or source.live.host = "10.0.0.1"
//   report::Report found;
//   DeviceOutcome outcome = DiscoverOneDevice(source, options, tracesToStderr, found, problem);
#ifndef DISCOVERY_SINGLEDEVICE_H_
#define DISCOVERY_SINGLEDEVICE_H_

#include <string>

#include "discovery/DeviceOutcome.h"
#include "discovery/Discovery.h"
#include "discovery/LiveOptions.h"
#include "report/ReportModel.h"

struct DeviceSource {
  std::string capture;  // used when live.host is empty
  LiveOptions live;
};

// kDiscovered when discovery ran (the agent's own errors are in `found`, what
// answered in found.health); otherwise another outcome with a one-line
// `problem`. The capture's warnings
// (lines of its files that could not be read) go to standard error. While the
// agent runs its traces go to standard error when `tracesToStderr`.
DeviceOutcome DiscoverOneDevice(const DeviceSource& source, const DiscoveryOptions& options,
                                bool tracesToStderr, report::Report& found, std::string& problem);

#endif  // DISCOVERY_SINGLEDEVICE_H_
