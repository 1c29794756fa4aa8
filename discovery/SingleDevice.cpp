#include "discovery/SingleDevice.h"

#include <algorithm>
#include <iostream>
#include <memory>

#include "discovery/DeviceHealth.h"
#include "discovery/LiveDevice.h"
#include "discovery/TraceRouting.h"
#include "version/Version.h"

namespace {

// The device's VRF names, in the order its virtual routers list them.
std::vector<std::string> VrfNames(const report::Report& found) {
  std::vector<std::string> names;
  for (const report::VirtualRouter& vr : found.virtualRouters) {
    if (!vr.vrfs) continue;
    for (const std::string& name : *vr.vrfs) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return names;
}

// A VRF asked for by name that the router does not have would otherwise
// just be missing from the report, as if it had no routes.
void NoteMissingVrfs(const std::vector<std::string>& wanted, report::Report& found) {
  const size_t kNamesShown = 10;
  const std::vector<std::string> names = VrfNames(found);
  for (const std::string& vrf : wanted) {
    if (std::find(names.begin(), names.end(), vrf) != names.end()) continue;
    std::string text = "the router has no VRF named " + vrf;
    if (names.empty()) {
      text += " (it has no VRF at all)";
    } else if (names.size() <= kNamesShown) {
      text += " (it has ";
      for (size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
      text += ")";
    } else {
      text += " (it has " + std::to_string(names.size()) + " VRFs)";
    }
    std::cerr << "erx-discover: " << found.device << ": " << text << "\n";
    report::Warning warning;
    warning.text = text;
    warning.vrf = vrf;
    found.warnings.push_back(warning);
  }
}

}  // namespace

Outcome<DeviceOutcome> DiscoverOneDevice(const DeviceSource& source,
                                         const DiscoveryOptions& options, bool tracesToStderr,
                                         report::Report& found) {
  ReplayTransport device;
  CPelkRequestTransport* transport = &device;
  std::string deviceName;
  std::unique_ptr<LiveDevice> liveDevice;
  if (source.live.host.empty()) {
    if (Status loaded = device.Load(source.capture); !loaded.ok()) {
      return {DeviceOutcome::kCannotStart, loaded};
    }
    for (const std::string& warning : device.Warnings()) std::cerr << warning << "\n";
    deviceName = device.DeviceName();
  } else {
    liveDevice = std::make_unique<LiveDevice>();
    Outcome<DeviceOutcome> opened = liveDevice->Open(source.live);
    if (!opened.ok()) return opened;
    transport = &liveDevice->Transport();
    deviceName = liveDevice->Name();
  }
  {
    TracesToStandardError traces(tracesToStderr);
    const Status discovered = DiscoverDevice(*transport, deviceName, options, found);
    if (!discovered.ok()) return {DeviceOutcome::kCannotStart, discovered};
  }
  found.generator = version::Line("erx-discover");
  found.health = AssessHealth(liveDevice ? liveDevice->Health() : device.Health());
  if (liveDevice) {
    const Status finished = liveDevice->Finish();
    if (!finished.ok()) {
      return {liveDevice->Distrusted() ? DeviceOutcome::kUnreachable : DeviceOutcome::kCannotStart,
              finished};
    }
  }
  // A router that answered nothing lists no VRF: that says nothing of the names.
  if (found.health.status != report::HealthStatus::kFailed) {
    NoteMissingVrfs(options.wantedVrfs, found);
  }
  return DeviceOutcome::kDiscovered;
}
