#include "host/PelkAgent.h"

#include <algorithm>

#include "host/PelkMPLSData.h"

// The stand-in host's front end drives the layers itself, so most of the
// application and agent operations have nothing to do here.

void CKelApplication::RASetSCName() {}
void CKelApplication::RASetSCDesc() {}
void CKelApplication::RAInitEngine() {}
void CKelApplication::RAStartEngine() {}
int CKelApplication::RAProcessCmdLine(int, char**) { return 0; }
int CKelApplication::RAInitApp(int, char**) { return 0; }
void CKelApplication::RASafeExit() {}

CPelkAgent::CPelkAgent() : m_Requester(new CPelkStdRequester) {}
CPelkAgent::~CPelkAgent() { delete m_Requester; }

void CPelkAgent::RASetSCName() { RASetName("discovery agent"); }
void CPelkAgent::RAInitEngine() {}
void CPelkAgent::RAStartEngine() {}
int CPelkAgent::RAProcessCmdLine(int, char**) { return 0; }
__boolean CPelkAgent::DADoMediationFilter(CKelRecord* record) { return record != nullptr; }
void CPelkAgent::DADoMediationLayer(CKelRecord*) {}
void CPelkAgent::DADoProcessLayer(CKelRecord*) {}
void CPelkAgent::DADoRelationshipLayer(CKelRecord*) {}
void CPelkAgent::DAAlternativeRelationshipLayer(CKelRecord*, int, const char**) {}
void CPelkAgent::DAAlternativeRelationshipLayer(CKelRecord*, const char*) {}
__boolean CPelkAgent::DACheckDeviceOSVersion(CKelRecord*, const char*) { return 1; }
CKelDoubleList* CPelkAgent::DAParsePartialMatchR(const char*) { return nullptr; }
void CPelkAgent::DAProcessNewNe(CKelRecord*) {}
void CPelkAgent::DADoStartUpProcessing() {}
int CPelkAgent::DAAddExtraIOHandler() { return 0; }
int CPelkAgent::DAProcessIO(CKelIOWorkPacket*) { return 0; }

CPelkMediationData* CPelkAgent::DAGetMediationData(CKelRecord* record) {
  return record ? record->RRMediationData() : nullptr;
}

int CPelkMPLSAgent::RAInitApp(int, char**) { return 0; }
void CPelkMPLSAgent::DADoProcessLayer(CKelRecord*) {}
void CPelkMPLSAgent::DADoRelationshipLayer(CKelRecord*) {}

void CPelkMPLSAgent::DMAObtainInterfaceData(CKelRecord* record, CPelkMediationData* medData) {
  if (!medData) return;
  for (const char* column : {"ifDescr", "ifType", "ifAdminStatus"}) {
    CKelDoubleList* walk = m_Requester->DSRSnmpGetNext(record, column, nullptr, "");
    if (walk) medData->DMDAddSnmp(column, walk);
  }
}

void CPelkMPLSAgent::DMAObtainMPLSData(CKelRecord*, CPelkMediationData*) {}

bool CPelkMPLSAgent::ApplyFilterToVRF(const char* vrfName, CPelkMPLSData*, bool keep) {
  if (wantedVRFs_.empty() || !vrfName) return keep;
  return std::find(wantedVRFs_.begin(), wantedVRFs_.end(), vrfName) != wantedVRFs_.end();
}

void CPelkMPLSAgent::DMACleanUpMedData(CPelkMediationData*) {}
void CPelkMPLSAgent::DMAProcessLocalNbrData(CPelkMediationData*, CKelTreeList**, CKelTreeList**) {}
void CPelkMPLSAgent::AppendVendorSpecificData(CKelRecord*, CPelkMediationData*, CKelTreeList*) {}
void CPelkMPLSAgent::DMAProcessMPLSData(CPelkMediationData*, CKelTreeList*, CKelTreeList**) {}

void CPelkMPLSAgent::GetLocalNbrForProcessing(CPelkMediationData* medData,
                                              CKelDoubleList** adminStatusList, CKelTreeList**,
                                              CKelTreeList**) {
  if (!medData || !adminStatusList) return;
  CKelDoubleList* stored = medData->DMDGetSnmpGetNext("ifAdminStatus");
  if (!stored) return;
  if (!*adminStatusList) *adminStatusList = new CKelDoubleList;
  (*adminStatusList)->RDLAddToListEnd(stored, false);
}

void CPelkMPLSAgent::FilterUnwantedVRFs(CPelkMPLSData* data) {
  if (!data) return;
  CKelDoubleList& vrfs = data->VRFEntries();
  CKelListable* it = vrfs.RDLHead();
  while (it) {
    CKelListable* next = vrfs.RDLGetNext(it);
    auto* vrf = static_cast<CPelkMPLSVRFEntry*>(it);
    if (!ApplyFilterToVRF(vrf->Name().c_str(), data, true)) delete vrfs.RDLRemove(it);
    it = next;
  }
}
