// Discovery of one captured device by an agent module, driven the way the
// discovery host drives an agent: mediation layer, processing layer (local
// neighbours, vendor annotation of the record and the interface tree, the
// host's conversion of every label and VRF entry), clean-up; then the host's
// own reading of forwarding tables printed by incoming label.
//
// What was found fills a report model (ReportModel.h).
#ifndef DISCOVERY_DISCOVERY_H_
#define DISCOVERY_DISCOVERY_H_

#include <string>
#include <vector>

#include "transports/ReplayTransport.h"
#include "report/ReportModel.h"

struct DiscoveryOptions {
  std::string modulePath;
  bool gatherLabels = true;
  std::vector<std::string> wantedVrfs;  // empty keeps every VRF
};

// Discovers the device that `transport` reaches (a capture or a live router),
// named `deviceName` in the report. False, with `problem` set, when the module
// cannot be loaded or holds no agent. The agent's own failures are not
// problems: they are in the report.
bool DiscoverDevice(CPelkRequestTransport& transport, const std::string& deviceName,
                    const DiscoveryOptions& options, report::Report& found, std::string& problem);

inline bool DiscoverCapturedDevice(ReplayTransport& device, const DiscoveryOptions& options,
                                   report::Report& found, std::string& problem) {
  return DiscoverDevice(device, device.DeviceName(), options, found, problem);
}

#endif  // DISCOVERY_DISCOVERY_H_
