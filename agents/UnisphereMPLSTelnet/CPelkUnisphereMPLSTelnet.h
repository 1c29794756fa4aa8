// Discovery agent for Unisphere ERX edge routers: reads the MPLS forwarding
// table, the VRFs and the interface ownership of one router at a time over
// Telnet and SNMP, and hands the host a CPelkMPLSData.
//
// Per device, kept in the mediation data between the host's calls:
//   "VirtualRouter"                 std::vector<std::string>*
//   "VrfNames"                      std::vector<std::vector<std::string>>*
//   "UnisphereTelnetData"           std::map<std::string, std::string>* (driver only)
//   "m_MPLSData"                    CPelkMPLSData*
//   "UnisphereIfIndexToVrVrfData"   std::map<int, std::vector<std::string>>*
#ifndef AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREMPLSTELNET_H_
#define AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREMPLSTELNET_H_

#include <map>
#include <string>
#include <vector>

#include "host/KelBase.h"
#include "host/PelkAgent.h"
#include "host/PelkMediationData.h"
#include "host/PelkMPLSData.h"

class CPelkUnisphereMPLSTelnet : public CPelkMPLSAgent {
 public:
  CPelkUnisphereMPLSTelnet();
  ~CPelkUnisphereMPLSTelnet() override;

 protected:
  void RASetSCDesc() override;
  void DADoMediationLayer(CKelRecord* record) override;
  void DMAObtainInterfaceData(CKelRecord* record, CPelkMediationData* medData) override;
  void DMAObtainMPLSData(CKelRecord* record, CPelkMediationData* medData) override;
  void DMACleanUpMedData(CPelkMediationData* medData) override;
  void AppendVendorSpecificData(CKelRecord* record, CPelkMediationData* medData,
                                CKelTreeList* ifTree) override;
  void GetLocalNbrForProcessing(CPelkMediationData* medData, CKelDoubleList** adminStatusList,
                                CKelTreeList** addressTree, CKelTreeList** valueTree) override;

  // Telnet download and cache.
  void DownloadBasicTelnetData(CKelRecord* record, CPelkMediationData* medData,
                               std::vector<std::string>* vrList,
                               std::vector<std::vector<std::string>>* vrfTable);
  bool RetrieveTelnetData(CPelkMediationData* medData, const char* vr, const char* vrf,
                          const char* command, std::string& reply);
  // The cached reply itself, valid until the cache is cleaned up; null where
  // RetrieveTelnetData would fail. Replies run to megabytes: parsers read them here.
  const std::string* CachedTelnetReply(CPelkMediationData* medData, const char* vr,
                                       const char* vrf, const char* command);
  void CleanUpTelnetData(CPelkMediationData* medData);

  // Label discovery.
  void ObtainLabelData(CKelRecord* record, CPelkMPLSData* mplsData,
                       std::map<std::string, int>& ifDescr2ifIndex, const std::string& vrName);

  // VRF discovery.
  void GetSpecificVRFInfo(CKelRecord* record, const std::string& vrfName,
                          std::vector<std::string>& destinations,
                          std::vector<std::string>& nextHops,
                          std::vector<std::string>& interfaces, const std::string& vrName);
  void GetLabels(CKelRecord* record, std::map<std::string, std::string>& labels,
                 std::string& vrfName, const std::string& vrName);
  void ObtainVRFData(CKelRecord* record, CPelkMPLSData* mplsData,
                     std::map<std::string, int>& ifDescr2ifIndex, const std::string& vrName);

  // Interface annotation.
  void AppendMainNodeVrVrfData(CKelRecord* record, CPelkMediationData* medData);
  void AppendInterfaceVrVrfData(CPelkMediationData* medData, CKelTreeList* ifTree);
  void AddVRListToMap(CKelDoubleList* list, std::map<int, std::vector<std::string>>* ifIndexToVrVrf,
                      const std::string& vrName);
  void AddVRFListToMap(CKelDoubleList* list,
                       std::map<int, std::vector<std::string>>* ifIndexToVrVrf,
                       const std::string& vrName, const std::string& vrfName);

 private:
  friend class CPelkUnisphereMPLSTelnetTestPeer;  // tests reach the private parsers

  void GetMajorIfNameAndIp(CKelRecord* record, std::vector<std::string>& ifNames,
                           std::vector<std::string>& ipAddrs, const std::string& vrName);
  void GenerateIfDescrToIfIndexTL(CKelRecord* record, CPelkMediationData* medData,
                                  std::map<std::string, int>& ifDescr2ifIndex,
                                  const std::string& vrName,
                                  const std::vector<std::string>& vrfNames);
  void AddInterfaceTableIfDescr(CKelRecord* record, std::map<std::string, int>& ifDescr2ifIndex,
                                const std::string& vrName,
                                const std::vector<std::string>& vrfNames);
  int FindVrfIfIndex(CKelRecord* record, const std::string& vrfName,
                     const std::string& destination, const std::string& nextHop,
                     const std::string& vrfDescr, std::map<std::string, int>& ifDescr2ifIndex,
                     const std::string& vrName);
};

extern "C" CPelkUnisphereMPLSTelnet* DAInstantiate();

#endif  // AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREMPLSTELNET_H_
