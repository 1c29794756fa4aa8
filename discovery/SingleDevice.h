// One device discovered from start to end, as erx-discover does for a single
// device and each worker of a fleet run does for its device: the capture is
// loaded or the live router logged in to, the agent module runs, the live
// session is closed (and its capture saved when asked).
//
//   DeviceSource source;
//   source.capture = "devices/pe1-erx";        // or source.live.host = "10.0.0.1"
//   report::Report found;
//   int status = DiscoverOneDevice(source, options, tracesToStderr, found, problem);
#ifndef DISCOVERY_SINGLEDEVICE_H_
#define DISCOVERY_SINGLEDEVICE_H_

#include <string>

#include "discovery/Discovery.h"
#include "discovery/LiveOptions.h"
#include "report/ReportModel.h"

// Exit statuses of erx-discover for one device.
const int kDiscovered = 0;
const int kCannotDiscover = 2;  // bad options, unreadable capture, no module
const int kUnreachable = LiveDevice::kUnreachable;
const int kNotDiscovered = kUnreachable;  // its CLI or SNMP answered nothing
const int kPartlyDiscovered = 5;          // something did not answer

// kDiscovered, kPartlyDiscovered or kNotDiscovered, by the health's status.
int ExitStatusOf(const report::Health& health);

struct DeviceSource {
  std::string capture;  // used when live.host is empty
  LiveOptions live;
};

// kDiscovered when discovery ran (the agent's own errors are in `found`, what
// answered in found.health); otherwise another status with a one-line
// `problem`. The capture's warnings
// (lines of its files that could not be read) go to standard error. While the
// agent runs its traces go to standard error when `tracesToStderr`.
int DiscoverOneDevice(const DeviceSource& source, const DiscoveryOptions& options,
                      bool tracesToStderr, report::Report& found, std::string& problem);

#endif  // DISCOVERY_SINGLEDEVICE_H_
