// Discovery of one captured device by an agent module, driven the way the
// discovery host drives an agent: mediation layer, processing layer (local
// neighbours, vendor annotation of the record and the interface tree, the
// host's conversion of every label and VRF entry), clean-up.
//
// What was found fills a report model (ReportModel.h).
#ifndef RUNNER_DISCOVERY_H_
#define RUNNER_DISCOVERY_H_

#include <string>
#include <vector>

#include "ReplayTransport.h"
#include "ReportModel.h"

struct DiscoveryOptions {
  std::string modulePath;
  bool gatherLabels = true;
  std::vector<std::string> wantedVrfs;  // empty keeps every VRF
};

// False, with `problem` set, when the module cannot be loaded or holds no
// agent. The agent's own failures are not problems: they are in the report.
bool DiscoverCapturedDevice(ReplayTransport& device, const DiscoveryOptions& options,
                            report::Report& found, std::string& problem);

#endif  // RUNNER_DISCOVERY_H_
