// Interface data of every virtual router and VRF, walked in their SNMP
// contexts, and the annotation of the device record and its interfaces with
// the virtual router and VRF that own them.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/KelError.h"
#include "host/KelSnmp.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

using VrList = std::vector<std::string>;
using VrfTable = std::vector<std::vector<std::string>>;
using IfIndexToVrVrf = std::map<int, std::vector<std::string>>;

const char kOwnershipKey[] = "UnisphereIfIndexToVrVrfData";
const char kAddressColumn[] = "ipAdEntIfIndex";
const char kAdminColumn[] = "ifAdminStatus";

// Name of a per-virtual-router SNMP entry, e.g. "ifAdminStatus.vr1".
std::string EntryName(const char* column, const std::string& vrName) {
  return std::string(column) + "." + vrName;
}

bool HasItems(const CKelDoubleList* list) { return list && list->RDLLength() > 0; }

// Gives each interface of the walk `owner`, unless an earlier walk already
// claimed it; `claimed` hears of every index newly entered.
template <typename Claimed>
void ClaimInterfaces(CKelDoubleList* list, IfIndexToVrVrf* ifIndexToVrVrf,
                     const std::vector<std::string>& owner, Claimed claimed) {
  if (!list || !ifIndexToVrVrf) return;
  for (CKelListable* it = list->RDLHead(); it; it = list->RDLGetNext(it)) {
    int ifIndex = static_cast<CKelSnmpVarOp*>(it)->RSVOASN1()->RAAAddressAt(0);
    if (ifIndexToVrVrf->emplace(ifIndex, owner).second) claimed(ifIndex);
  }
}

}  // namespace

void CPelkUnisphereMPLSTelnet::DMAObtainInterfaceData(CKelRecord* record,
                                                      CPelkMediationData* medData) {
  TraceRaw(3) << "CPelkUnisphereMPLSTelnet::ObtainInterfaceData().\n";
  CPelkMPLSAgent::DMAObtainInterfaceData(record, medData);
  auto* vrList = medData ? static_cast<VrList*>(medData->DMDGetDataPtr("VirtualRouter")) : nullptr;
  auto* vrfTable = medData ? static_cast<VrfTable*>(medData->DMDGetDataPtr("VrfNames")) : nullptr;
  if (!vrList || !vrfTable) {
    Trace(1) << "::DMAObtainInterfaceData no virtual-router information available";
    return;
  }
  auto* ifIndexToVrVrf = new IfIndexToVrVrf;
  for (size_t i = 0; i < vrList->size(); ++i) {
    const std::string& vrName = (*vrList)[i];
    const std::string snmpContext = "@" + vrName;

    const std::string addressName = EntryName(kAddressColumn, vrName);
    CKelDoubleList* addresses =
        m_Requester->DSRSnmpGetNext(record, kAddressColumn, nullptr, snmpContext.c_str());
    if (HasItems(addresses)) {
      medData->DMDAddSnmp(addressName.c_str(), addresses);
    } else {
      Trace(4) << "::ObtainInterfaceData() " << addressName << " NULL";
      delete addresses;
    }

    CKelDoubleList* adminStatus =
        m_Requester->DSRSnmpGetNext(record, kAdminColumn, nullptr, snmpContext.c_str());
    if (!adminStatus) {
      adminStatus = new CKelDoubleList;
      Trace(4) << "::ObtainInterfaceData() no response for " << kAdminColumn << " using "
               << snmpContext;
    }
    AddVRListToMap(adminStatus, ifIndexToVrVrf, vrName);

    // The virtual router's own walk went in first, so its interfaces stay its own.
    if (i < vrfTable->size()) {
      for (const std::string& vrfName : (*vrfTable)[i]) {
        const std::string vrfContext = snmpContext + ":" + vrfName;
        CKelDoubleList* vrfAdminStatus =
            m_Requester->DSRSnmpGetNext(record, kAdminColumn, nullptr, vrfContext.c_str());
        if (HasItems(vrfAdminStatus)) {
          AddVRFListToMap(vrfAdminStatus, ifIndexToVrVrf, vrName, vrfName);
          adminStatus->RDLAddToListEnd(vrfAdminStatus, true);
        } else {
          Trace(4) << "::ObtainInterfaceData() no response for " << kAdminColumn << " using "
                   << vrfContext;
          delete vrfAdminStatus;
        }
      }
    }

    const std::string adminName = EntryName(kAdminColumn, vrName);
    if (HasItems(adminStatus)) {
      medData->DMDAddSnmp(adminName.c_str(), adminStatus);
    } else {
      Trace(4) << "::ObtainInterfaceData() " << adminName << " NULL";
      delete adminStatus;
    }
  }
  medData->DMDAddDataPtr(kOwnershipKey, ifIndexToVrVrf);
}

void CPelkUnisphereMPLSTelnet::AddVRListToMap(CKelDoubleList* list,
                                              std::map<int, std::vector<std::string>>* ifIndexToVrVrf,
                                              const std::string& vrName) {
  Trace(4) << "CPelkUnisphereMPLSTelnet::AddVRListToMap() " << vrName;
  ClaimInterfaces(list, ifIndexToVrVrf, {vrName}, [&vrName](int ifIndex) {
    Trace(4) << "CPelkUnisphereMPLSTelnet::AddVRListToMap() " << vrName << " , " << ifIndex;
  });
}

void CPelkUnisphereMPLSTelnet::AddVRFListToMap(
    CKelDoubleList* list, std::map<int, std::vector<std::string>>* ifIndexToVrVrf,
    const std::string& vrName, const std::string& vrfName) {
  ClaimInterfaces(list, ifIndexToVrVrf, {vrName, vrfName}, [&vrName, &vrfName](int ifIndex) {
    Trace(4) << "CPelkUnisphereMPLSTelnet::AddVRFListToMap() " << vrName << " , " << vrfName
             << " , " << ifIndex;
  });
}

void CPelkUnisphereMPLSTelnet::GetLocalNbrForProcessing(CPelkMediationData* medData,
                                                        CKelDoubleList** adminStatusList,
                                                        CKelTreeList** addressTree,
                                                        CKelTreeList** valueTree) {
  CPelkMPLSAgent::GetLocalNbrForProcessing(medData, adminStatusList, addressTree, valueTree);
  if (!adminStatusList || !addressTree || !valueTree) return;  // nowhere to hand results back
  if (!*valueTree) *valueTree = new CKelTreeList(false);
  if (!*addressTree) *addressTree = new CKelTreeList(false);
  if (!*adminStatusList) *adminStatusList = new CKelDoubleList;

  auto* vrList = medData ? static_cast<VrList*>(medData->DMDGetDataPtr("VirtualRouter")) : nullptr;
  if (!vrList) return;

  // Both trees file the stored varbinds themselves: by IP address text and by
  // interface index text.
  for (const std::string& vrName : *vrList) {
    const std::string name = EntryName(kAddressColumn, vrName);
    CKelDoubleList* addresses = medData->DMDGetSnmpGetNext(name.c_str());
    if (!addresses) {
      Trace(1) << "::GetLocalNbrData() " << name << " NULL";
      continue;
    }
    for (CKelListable* it = addresses->RDLHead(); it; it = addresses->RDLGetNext(it)) {
      auto* varOp = static_cast<CKelSnmpVarOp*>(it);
      CKelAtom* value = varOp->RSVOValue();
      const char* address = varOp->RSVOASN1()->RAAAsString();
      if (!value || !address) continue;
      char* valueText = value->RAStrRep();
      (*addressTree)->RTLAdd(address, varOp);
      (*valueTree)->RTLAdd(valueText, varOp);
      free(valueText);
    }
  }

  for (const std::string& vrName : *vrList) {
    const std::string name = EntryName(kAdminColumn, vrName);
    CKelDoubleList* adminStatus = medData->DMDGetSnmpGetNext(name.c_str());
    if (adminStatus) {
      (*adminStatusList)->RDLAddToListEnd(adminStatus, false);
    } else {
      Trace(1) << "::GetLocalNbrData() " << name << " NULL";
    }
  }
}

void CPelkUnisphereMPLSTelnet::AppendVendorSpecificData(CKelRecord* record,
                                                        CPelkMediationData* medData,
                                                        CKelTreeList* ifTree) {
  AppendMainNodeVrVrfData(record, medData);
  AppendInterfaceVrVrfData(medData, ifTree);
}

void CPelkUnisphereMPLSTelnet::AppendMainNodeVrVrfData(CKelRecord* record,
                                                       CPelkMediationData* medData) {
  auto* vrList = medData ? static_cast<VrList*>(medData->DMDGetDataPtr("VirtualRouter")) : nullptr;
  auto* vrfTable = medData ? static_cast<VrfTable*>(medData->DMDGetDataPtr("VrfNames")) : nullptr;
  if (!record || !vrList || vrList->empty()) return;

  auto* vrData = new CKelAtomVector(0);
  for (size_t i = 0; i < vrList->size(); ++i) {
    auto* vrBindings = new CKelVBList;
    vrBindings->RVBLAddToListEnd(new CKelVarBind("m_VRName", (*vrList)[i].c_str()));
    if (vrfTable && i < vrfTable->size() && !(*vrfTable)[i].empty()) {
      auto* vrfNames = new CKelAtomVector(0);
      for (const std::string& vrfName : (*vrfTable)[i]) {
        vrfNames->RAVAddToEnd(new CKelAtom(vrfName.c_str()));
      }
      auto* vrfNamesAtom = new CKelAtom(vrfNames);
      vrBindings->RVBLAddToListEnd(new CKelVarBind("m_VRFName", &vrfNamesAtom));
    }
    vrData->RAVAddToEnd(new CKelAtom(vrBindings));
  }
  auto* vrDataAtom = new CKelAtom(vrData);
  record->RRAddObjectVal("m_ExtraInfo", new CKelVarBind("m_VRData", &vrDataAtom));
}

void CPelkUnisphereMPLSTelnet::AppendInterfaceVrVrfData(CPelkMediationData* medData,
                                                        CKelTreeList* ifTree) {
  auto* ifIndexToVrVrf =
      medData ? static_cast<IfIndexToVrVrf*>(medData->DMDRemoveDataPtr(kOwnershipKey)) : nullptr;
  CKelAtomVector* keys = ifTree ? ifTree->RTLGetKeys() : nullptr;
  if (!keys) {
    delete ifIndexToVrVrf;
    return;
  }
  for (int k = 0; k < keys->RAVSize(); ++k) {
    int ifIndex = keys->RAVGetValue(k)->RAInt();
    CKelPointer* entry = ifTree->RTLGet(ifIndex);
    if (!entry) {
      CKelError(-220439, kErrorSource, 2192, nullptr);
      continue;
    }
    auto* bindings = static_cast<CKelVBList*>(entry->RPData());
    if (!bindings || !ifIndexToVrVrf) continue;
    auto owner = ifIndexToVrVrf->find(ifIndex);
    if (owner == ifIndexToVrVrf->end()) continue;
    const std::vector<std::string>& names = owner->second;
    if (!names.empty()) bindings->RVBLAddToListEnd(new CKelVarBind("m_VRName", names[0].c_str()));
    if (names.size() > 1) bindings->RVBLAddToListEnd(new CKelVarBind("m_VRFName", names[1].c_str()));
  }
  delete keys;
  delete ifIndexToVrVrf;
}
