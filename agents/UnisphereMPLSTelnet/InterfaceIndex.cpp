// The interface-description index of one virtual router: interface key to SNMP
// ifIndex. An insertion never overwrites, so the MPLS interfaces (found through
// their address) win over interface-table rows, and earlier VRFs over later ones.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "host/KelSnmp.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

void CPelkUnisphereMPLSTelnet::GenerateIfDescrToIfIndexTL(
    CKelRecord* record, CPelkMediationData* medData, std::map<std::string, int>& ifDescr2ifIndex,
    const std::string& vrName, const std::vector<std::string>& vrfNames) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::GenerateIfDescrToIfIndexTL(,,," << vrName << ")";
  std::vector<std::string> ifNames;
  std::vector<std::string> ipAddrs;
  GetMajorIfNameAndIp(record, ifNames, ipAddrs, vrName);

  const std::string addressTableKey = "ipAdEntIfIndex." + vrName;
  CKelDoubleList* addressTable =
      medData ? medData->DMDGetSnmpGetNext(addressTableKey.c_str()) : nullptr;
  if (!addressTable) {
    Trace(1) << "::GenerateIfDescrToIfIndexTL() failure of medData retrieval of "
             << addressTableKey;
  } else {
    CKelTreeList byAddress(false);
    DAUFStoreSnmpDLinTLByIndex(addressTable, &byAddress, false, false);
    for (size_t k = 0; k < ifNames.size(); ++k) {
      CKelPointer* found = byAddress.RTLGet(ipAddrs[k].c_str());
      if (!found) {
        Trace(1) << "::GenerateIfDescrToIfIndexTL() no ifIndex associated with " << ipAddrs[k];
        continue;
      }
      auto* row = static_cast<CKelSnmpVarOp*>(found->RPData());
      if (!row || !row->RSVOValue()) continue;
      const int ifIndex = row->RSVOValue()->RAInt();
      std::string key;
      ERXGetDescrFromVrfDescr(ifNames[k].c_str(), vrName, key);
      ifDescr2ifIndex.emplace(key, ifIndex);
      Trace(4) << "::GenerateIfDescrToIfIndexTL() adding " << ifIndex
               << " to ifDescr2ifIndex keyed on " << ifNames[k];
    }
  }
  AddInterfaceTableIfDescr(record, ifDescr2ifIndex, vrName, vrfNames);
}

void CPelkUnisphereMPLSTelnet::AddInterfaceTableIfDescr(
    CKelRecord* record, std::map<std::string, int>& ifDescr2ifIndex, const std::string& vrName,
    const std::vector<std::string>& vrfNames) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::ObtainInterfaceTableIfDescr(,," << vrName << ")";
  for (const std::string& vrfName : vrfNames) {
    const std::string vrfContext = vrName + ":" + vrfName;
    const std::string snmpContext = "@" + vrfContext;
    std::unique_ptr<CKelDoubleList> descrs(
        m_Requester->DSRSnmpGetNext(record, "ifDescr", nullptr, snmpContext.c_str()));
    std::unique_ptr<CKelDoubleList> types(
        m_Requester->DSRSnmpGetNext(record, "ifType", nullptr, snmpContext.c_str()));
    if (!descrs) {
      Trace(4) << "::ObtainInterfaceTableIfDescr() ifDescr not available for " << snmpContext;
      continue;
    }
    if (!types) {
      Trace(4) << "::ObtainInterfaceTableIfDescr() ifType not available for " << snmpContext;
      continue;
    }
    if (descrs->RDLLength() != types->RDLLength()) {
      Trace(4) << "::ObtainInterfaceTableIfDescr() ifDescr & ifType incompatible";
      continue;
    }
    for (CKelListable *d = descrs->RDLHead(), *t = types->RDLHead(); d && t;
         d = descrs->RDLGetNext(d), t = types->RDLGetNext(t)) {
      auto* descrRow = static_cast<CKelSnmpVarOp*>(d);
      CKelAtom* descr = descrRow->RSVOValue();
      CKelASN1Address* instance = descrRow->RSVOASN1();
      CKelAtom* type = static_cast<CKelSnmpVarOp*>(t)->RSVOValue();
      if (!descr || !instance || !type) continue;
      std::string key;
      ERXGetDescrFromIfTableDescr(descr->RAString(), vrfContext, key, type->RAInt());
      const int ifIndex = instance->RAAAddressAt(0);
      if (ifIndex > 0 && !key.empty()) {
        ifDescr2ifIndex.emplace(key, ifIndex);
        Trace(4) << "::ObtainInterfaceTableIfDescr() adding " << ifIndex
                 << " to ifDescr2ifIndex keyed on " << key;
      }
    }
  }
}
