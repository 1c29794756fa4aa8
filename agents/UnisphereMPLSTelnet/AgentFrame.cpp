// The module's entry, the agent object, the mediation layer that drives one
// device and the MPLS driver that runs one pass per virtual router.
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "host/KelError.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {
using VrList = std::vector<std::string>;
using VrfTable = std::vector<std::vector<std::string>>;
}  // namespace

extern "C" CPelkUnisphereMPLSTelnet* DAInstantiate() { return new CPelkUnisphereMPLSTelnet; }

CPelkUnisphereMPLSTelnet::CPelkUnisphereMPLSTelnet() : CPelkMPLSAgent() {
  Trace(2) << "CPelkUnisphereMPLSTelnet::CPelkUnisphereMPLSTelnet()";
}

CPelkUnisphereMPLSTelnet::~CPelkUnisphereMPLSTelnet() {
  Trace(2) << "CPelkUnisphereMPLSTelnet::~CPelkUnisphereMPLSTelnet()";
}

void CPelkUnisphereMPLSTelnet::RASetSCDesc() {
  RASetDesc("Discovery Agent for Unisphere ERX MPLS information using Telnet");
}

void CPelkUnisphereMPLSTelnet::DADoMediationLayer(CKelRecord* record) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::DADoMediationLayer()";
  if (!record) {
    CKelError(-220402, kErrorSource, 1509, nullptr);
    return;
  }
  CPelkMediationData* medData = DAGetMediationData(record);
  if (!medData) {
    CKelError(-220402, kErrorSource, 1516, nullptr);
  } else {
    auto* vrList = new VrList;
    auto* vrfTable = new VrfTable;
    ERXFindVirtRtrVRF(record, m_Requester, *vrList, *vrfTable);
    medData->DMDAddDataPtr("VirtualRouter", vrList);
    medData->DMDAddDataPtr("VrfNames", vrfTable);
    DMAObtainInterfaceData(record, medData);
    DMAObtainMPLSData(record, medData);
  }
  TraceRaw(3) << "leaving CPelkUnisphereMPLSTelnet::DADoMediationLayer().\n";
}

void CPelkUnisphereMPLSTelnet::DMAObtainMPLSData(CKelRecord* record, CPelkMediationData* medData) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::DMAObtainMPLSData()";
  if (!medData) return;  // nowhere to keep a result
  auto* result = new CPelkMPLSData;
  auto* vrList = static_cast<VrList*>(medData->DMDGetDataPtr("VirtualRouter"));
  auto* vrfTable = static_cast<VrfTable*>(medData->DMDGetDataPtr("VrfNames"));
  // The mediation layer always stores both; without them there is nothing to
  // visit, but the (empty) result is still handed over.
  if (vrList) {
    DownloadBasicTelnetData(record, medData, vrList, vrfTable);
    const VrfTable::value_type noVrfs;
    for (size_t i = 0; i < vrList->size(); ++i) {
      const std::string& vrName = (*vrList)[i];
      const auto& vrfNames = vrfTable && i < vrfTable->size() ? (*vrfTable)[i] : noVrfs;
      std::map<std::string, int> ifDescr2ifIndex;
      GenerateIfDescrToIfIndexTL(record, medData, ifDescr2ifIndex, vrName, vrfNames);
      if (GatherLabels()) ObtainLabelData(record, result, ifDescr2ifIndex, vrName);
      ObtainVRFData(record, result, ifDescr2ifIndex, vrName);
    }
  }
  FilterUnwantedVRFs(result);
  CleanUpTelnetData(medData);
  medData->DMDAddDataPtr("m_MPLSData", result);
}

void CPelkUnisphereMPLSTelnet::DMACleanUpMedData(CPelkMediationData* medData) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::DMACleanUpMedData()";
  if (!medData) return;
  delete static_cast<CPelkMPLSData*>(medData->DMDRemoveDataPtr("m_MPLSData"));
  delete static_cast<VrList*>(medData->DMDRemoveDataPtr("VirtualRouter"));
  delete static_cast<VrfTable*>(medData->DMDRemoveDataPtr("VrfNames"));
}
