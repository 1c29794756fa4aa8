// One agent, one scripted device and the device's record and mediation data,
// wired as the host wires them; the peer reaches the agent's inner operations.
//
//   AgentHarness h;
//   h.SetVirtualRouters({"default"}, {{"red"}});
//   h.device.Reply("show mpls interface", reply, "default");
//   h.peer.DownloadBasicTelnetData(...);
#ifndef TESTS_SUPPORT_AGENTHARNESS_H_
#define TESTS_SUPPORT_AGENTHARNESS_H_

#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/KelError.h"
#include "tests/support/ScriptedDevice.h"

class CPelkUnisphereMPLSTelnetTestPeer {
 public:
  using Index = std::map<std::string, int>;
  using Names = std::vector<std::string>;
  using Table = std::vector<Names>;

  explicit CPelkUnisphereMPLSTelnetTestPeer(CPelkUnisphereMPLSTelnet& agent) : a_(agent) {}

  void RASetSCDesc() { a_.RASetSCDesc(); }
  void DADoMediationLayer(CKelRecord* r) { a_.DADoMediationLayer(r); }
  void DMAObtainInterfaceData(CKelRecord* r, CPelkMediationData* m) {
    a_.DMAObtainInterfaceData(r, m);
  }
  void DMAObtainMPLSData(CKelRecord* r, CPelkMediationData* m) { a_.DMAObtainMPLSData(r, m); }
  void DMACleanUpMedData(CPelkMediationData* m) { a_.DMACleanUpMedData(m); }
  void AppendVendorSpecificData(CKelRecord* r, CPelkMediationData* m, CKelTreeList* t) {
    a_.AppendVendorSpecificData(r, m, t);
  }
  void GetLocalNbrForProcessing(CPelkMediationData* m, CKelDoubleList** l, CKelTreeList** a,
                                CKelTreeList** v) {
    a_.GetLocalNbrForProcessing(m, l, a, v);
  }
  void DownloadBasicTelnetData(CKelRecord* r, CPelkMediationData* m, Names* vrs, Table* vrfs) {
    a_.DownloadBasicTelnetData(r, m, vrs, vrfs);
  }
  bool RetrieveTelnetData(CPelkMediationData* m, const char* vr, const char* vrf,
                          const char* command, std::string& reply) {
    return a_.RetrieveTelnetData(m, vr, vrf, command, reply);
  }
  void CleanUpTelnetData(CPelkMediationData* m) { a_.CleanUpTelnetData(m); }
  void GenerateIfDescrToIfIndexTL(CKelRecord* r, CPelkMediationData* m, Index& index,
                                  const std::string& vr, const Names& vrfs) {
    a_.GenerateIfDescrToIfIndexTL(r, m, index, vr, vrfs);
  }
  void ObtainLabelData(CKelRecord* r, CPelkMPLSData* d, Index& index, const std::string& vr) {
    a_.ObtainLabelData(r, d, index, vr);
  }
  void GetSpecificVRFInfo(CKelRecord* r, const std::string& vrf, Names& dests, Names& hops,
                          Names& ifs, const std::string& vr) {
    a_.GetSpecificVRFInfo(r, vrf, dests, hops, ifs, vr);
  }
  void GetLabels(CKelRecord* r, std::map<std::string, std::string>& labels, std::string& vrf,
                 const std::string& vr) {
    a_.GetLabels(r, labels, vrf, vr);
  }
  int FindVrfIfIndex(CKelRecord* r, const std::string& vrf, const std::string& dest,
                     const std::string& hop, const std::string& descr, Index& index,
                     const std::string& vr) {
    return a_.FindVrfIfIndex(r, vrf, dest, hop, descr, index, vr);
  }
  void ObtainVRFData(CKelRecord* r, CPelkMPLSData* d, Index& index, const std::string& vr) {
    a_.ObtainVRFData(r, d, index, vr);
  }

 private:
  CPelkUnisphereMPLSTelnet& a_;
};

// Sets the host's debug level for one scope.
class ScopedDebugLevel {
 public:
  explicit ScopedDebugLevel(int level) : saved_(__Kelwick_Debug_Level) {
    __Kelwick_Debug_Level = level;
  }
  ~ScopedDebugLevel() { __Kelwick_Debug_Level = saved_; }

 private:
  int saved_;
};

struct AgentHarness {
  AgentHarness();
  ~AgentHarness();  // frees whatever the agent left in the mediation data

  // Stores the lists as the mediation layer does.
  void SetVirtualRouters(const std::vector<std::string>& vrs,
                         const std::vector<std::vector<std::string>>& vrfs);
  // Runs the download so the parsers find their replies in the cache.
  void Download();
  const std::vector<KelErrorRecord>& Errors() const { return KelErrorLog(); }

  ScriptedDevice device;
  CPelkMediationData medData;
  CKelRecord record{"pe1"};
  CPelkUnisphereMPLSTelnet agent;
  CPelkUnisphereMPLSTelnetTestPeer peer{agent};
};

#endif  // TESTS_SUPPORT_AGENTHARNESS_H_
