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

#include "report/ReportModel.h"
#include "status/Status.h"
#include "transports/ReplayTransport.h"

struct DiscoveryOptions {
  std::string modulePath;
  bool gatherLabels = true;
  std::vector<std::string> wantedVrfs;  // empty keeps every VRF
};

// Discovers the device that `transport` reaches (a capture or a live router),
// named `deviceName` in the report. Fails when the module cannot be loaded or
// holds no agent. The agent's own failures are not failures here: they are
// in the report.
Status DiscoverDevice(CPelkRequestTransport& transport, const std::string& deviceName,
                      const DiscoveryOptions& options, report::Report& found);

inline Status DiscoverCapturedDevice(ReplayTransport& device, const DiscoveryOptions& options,
                                     report::Report& found) {
  return DiscoverDevice(device, device.DeviceName(), options, found);
}

#endif  // DISCOVERY_DISCOVERY_H_
