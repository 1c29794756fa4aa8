// The host's agent base classes. A discovery module derives from
// CPelkMPLSAgent and overrides the operations it needs; the host drives it
// through this virtual table, one device at a time.
#ifndef HOST_PELKAGENT_H_
#define HOST_PELKAGENT_H_

#include <string>
#include <vector>

#include "host/KelBase.h"
#include "host/PelkMediationData.h"
#include "host/PelkRequester.h"

class CKelIOWorkPacket;
class CPelkMPLSData;

class CKelApplication {
 public:
  CKelApplication() = default;
  CKelApplication(const CKelApplication&) = delete;
  CKelApplication& operator=(const CKelApplication&) = delete;

  virtual void RASetSCName();
  virtual void RASetSCDesc();
  virtual void RAInitEngine();
  virtual void RAStartEngine();
  virtual ~CKelApplication() = default;
  virtual int RAProcessCmdLine(int argc, char** argv);
  virtual int RAInitApp(int argc, char** argv);
  virtual void RASafeExit();

  const char* RAGetDesc() const { return desc_.c_str(); }
  const char* RAGetName() const { return name_.c_str(); }

 protected:
  void RASetDesc(const char* desc) { desc_ = desc ? desc : ""; }
  void RASetName(const char* name) { name_ = name ? name : ""; }

 private:
  std::string name_;
  std::string desc_;
};

class CPelkAgent : public CKelApplication {
 public:
  CPelkAgent();
  ~CPelkAgent() override;

  void RASetSCName() override;
  void RAInitEngine() override;
  void RAStartEngine() override;
  int RAProcessCmdLine(int argc, char** argv) override;
  virtual __boolean DADoMediationFilter(CKelRecord* record);
  virtual void DADoMediationLayer(CKelRecord* record);
  virtual void DADoProcessLayer(CKelRecord* record);
  virtual void DADoRelationshipLayer(CKelRecord* record);
  virtual void DAAlternativeRelationshipLayer(CKelRecord* record, int count, const char** names);
  virtual void DAAlternativeRelationshipLayer(CKelRecord* record, const char* name);
  virtual __boolean DACheckDeviceOSVersion(CKelRecord* record, const char* version);
  virtual CKelDoubleList* DAParsePartialMatchR(const char* text);
  virtual void DAProcessNewNe(CKelRecord* record);
  virtual void DADoStartUpProcessing();
  virtual int DAAddExtraIOHandler();
  virtual int DAProcessIO(CKelIOWorkPacket* packet);

  // The device's mediation data, or null.
  CPelkMediationData* DAGetMediationData(CKelRecord* record);
  // The host plugs the requester's transport in through this.
  CPelkStdRequester* DAGetRequester() { return m_Requester; }

 protected:
  CPelkStdRequester* m_Requester;
};

class CPelkMPLSAgent : public CPelkAgent {
 public:
  CPelkMPLSAgent() = default;

  int RAInitApp(int argc, char** argv) override;
  void DADoProcessLayer(CKelRecord* record) override;
  void DADoRelationshipLayer(CKelRecord* record) override;
  // The host's own interface fetch: "ifDescr", "ifType" and "ifAdminStatus"
  // walked without context and stored under those names.
  virtual void DMAObtainInterfaceData(CKelRecord* record, CPelkMediationData* medData);
  virtual void DMAObtainMPLSData(CKelRecord* record, CPelkMediationData* medData);
  virtual bool ApplyFilterToVRF(const char* vrfName, CPelkMPLSData* data, bool keep);
  virtual void DMACleanUpMedData(CPelkMediationData* medData);
  virtual void DMAProcessLocalNbrData(CPelkMediationData* medData, CKelTreeList** addressTree,
                                      CKelTreeList** valueTree);
  virtual void AppendVendorSpecificData(CKelRecord* record, CPelkMediationData* medData,
                                        CKelTreeList* ifTree);
  virtual void DMAProcessMPLSData(CPelkMediationData* medData, CKelTreeList* ifTree,
                                  CKelTreeList** out);
  // The base fills *adminStatusList with copies of the stored "ifAdminStatus"
  // walk, when there is one; it leaves the trees alone.
  virtual void GetLocalNbrForProcessing(CPelkMediationData* medData,
                                        CKelDoubleList** adminStatusList,
                                        CKelTreeList** addressTree, CKelTreeList** valueTree);

  // Host settings, read anew at every call.
  bool GatherLabels() const { return gatherLabels_; }
  void DMASetGatherLabels(bool gather) { gatherLabels_ = gather; }
  // Keeps only the VRFs named in the wanted list; an empty list keeps all.
  void FilterUnwantedVRFs(CPelkMPLSData* data);
  void DMASetWantedVRFs(const std::vector<std::string>& names) { wantedVRFs_ = names; }

 private:
  bool gatherLabels_ = true;
  std::vector<std::string> wantedVRFs_;
};

#endif  // HOST_PELKAGENT_H_
