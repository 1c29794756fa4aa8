#include "discovery/SingleDevice.h"

#include <algorithm>
#include <iostream>
#include <memory>

#include "discovery/DeviceHealth.h"
#include "discovery/TraceRouting.h"

int DiscoverOneDevice(const DeviceSource& source, const DiscoveryOptions& options,
                      bool tracesToStderr, report::Report& found, std::string& problem) {
  ReplayTransport device;
  CPelkRequestTransport* transport = &device;
  std::string deviceName;
  std::unique_ptr<LiveDevice> liveDevice;
  if (source.live.host.empty()) {
    if (!device.Load(source.capture, problem)) return kCannotDiscover;
    for (const std::string& warning : device.Warnings()) std::cerr << warning << "\n";
    deviceName = device.DeviceName();
  } else {
    liveDevice = std::make_unique<LiveDevice>();
    if (int status = liveDevice->Open(source.live, problem)) return status;
    transport = &liveDevice->Transport();
    deviceName = liveDevice->Name();
  }
  {
    TracesToStandardError traces(tracesToStderr);
    if (!DiscoverDevice(*transport, deviceName, options, found, problem)) return kCannotDiscover;
  }
  found.health = AssessHealth(liveDevice ? liveDevice->Health() : device.Health());
  for (const std::string& wanted : options.wantedVrfs) {
    bool listed = false;
    for (const report::VirtualRouter& vr : found.virtualRouters) {
      if (vr.vrfs && std::count(vr.vrfs->begin(), vr.vrfs->end(), wanted)) listed = true;
    }
    if (!listed) std::cerr << "erx-discover: " << deviceName << " has no VRF named " << wanted << "\n";
  }
  if (liveDevice && !liveDevice->Finish(problem)) return kCannotDiscover;
  return kDiscovered;
}

int ExitStatusOf(const report::Health& health) {
  if (health.status == "failed") return kNotDiscovered;
  return health.status == "partial" ? kPartlyDiscovered : kDiscovered;
}
