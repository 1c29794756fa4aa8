// One row of a virtual router's label-forwarding table as the agent hands it to
// the host: the host's label entry plus the LSP name, the owning virtual
// router and every incoming interface on which the incoming label arrives.
//
// The strings are private heap copies (null stays null); the atoms belong to
// the entry's vectors. The host calls the two conversion hooks.
#ifndef AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHERELABELENTRY_H_
#define AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHERELABELENTRY_H_

#include "host/KelBase.h"
#include "host/PelkMPLSData.h"

class CPelkUnisphereLabelEntry : public CPelkMPLSLabelEntry {
 public:
  // inIfIndex -1 means the incoming interface was not found; it is still kept.
  CPelkUnisphereLabelEntry(int inLabel, const char* inLabelText, int inIfIndex,
                           const char* inIfName, int outLabel, const char* outLabelText,
                           int outIfIndex, const char* outIfName, const char* nextHop,
                           const char* lspName, const char* vrName);
  CPelkUnisphereLabelEntry(const CPelkUnisphereLabelEntry& other);
  CPelkUnisphereLabelEntry& operator=(const CPelkUnisphereLabelEntry&) = delete;
  ~CPelkUnisphereLabelEntry() override;

  // A new copy of `source`, which must be a CPelkUnisphereLabelEntry.
  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  // Appends "m_LspName" and "m_VRName", each only when set.
  void ConvertVendorInLabelEntry(CKelVBList& list) override;
  // The base's bindings, then "m_InInterface" and "m_InboundIfIndex" when not empty.
  void AddInBoundLabelEntryInfo(CKelVBList* list) override;

  void AddIfIndexIn(int ifIndex);        // -1 is ignored
  void AddIfNameIn(const char* ifName);  // null is ignored

 private:
  CKelAtomVector inIfNames_;
  CKelAtomVector inIfIndexes_;
  char* vrName_;
  char* lspName_;
};

#endif  // AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHERELABELENTRY_H_
