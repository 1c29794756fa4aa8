#include "tests/support/AgentHarness.h"

AgentHarness::AgentHarness() {
  KelClearErrorLog();
  record.RRSetMediationData(&medData);
  agent.DAGetRequester()->DSRSetTransport(&device);
}

AgentHarness::~AgentHarness() {
  peer.DMACleanUpMedData(&medData);
  peer.CleanUpTelnetData(&medData);
  delete static_cast<std::map<int, std::vector<std::string>>*>(
      medData.DMDRemoveDataPtr("UnisphereIfIndexToVrVrfData"));
}

void AgentHarness::SetVirtualRouters(const std::vector<std::string>& vrs,
                                     const std::vector<std::vector<std::string>>& vrfs) {
  delete static_cast<std::vector<std::string>*>(medData.DMDRemoveDataPtr("VirtualRouter"));
  delete static_cast<std::vector<std::vector<std::string>>*>(medData.DMDRemoveDataPtr("VrfNames"));
  medData.DMDAddDataPtr("VirtualRouter", new std::vector<std::string>(vrs));
  medData.DMDAddDataPtr("VrfNames", new std::vector<std::vector<std::string>>(vrfs));
}

void AgentHarness::Download() {
  peer.DownloadBasicTelnetData(
      &record, &medData,
      static_cast<std::vector<std::string>*>(medData.DMDGetDataPtr("VirtualRouter")),
      static_cast<std::vector<std::vector<std::string>>*>(medData.DMDGetDataPtr("VrfNames")));
}
