// One VRF of a virtual router as the agent hands it to the host: the host's VRF
// entry plus the name of the virtual router that owns the VRF, which the host's
// conversion receives as "m_VRName".
//
// The name is a private heap copy (null stays null and yields no binding).
#ifndef AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREVRFENTRY_H_
#define AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREVRFENTRY_H_

#include "host/KelBase.h"
#include "host/PelkMPLSData.h"

class CPelkUnisphereVRFEntry : public CPelkMPLSVRFEntry {
 public:
  // Starts with no route targets, interfaces or imposition entries; the caller
  // fills them through the base's Add/Set operations.
  CPelkUnisphereVRFEntry(const char* vrfName, const char* routeDistinguisher, const char* vrName);
  CPelkUnisphereVRFEntry(const CPelkUnisphereVRFEntry& other);
  CPelkUnisphereVRFEntry& operator=(const CPelkUnisphereVRFEntry&) = delete;
  ~CPelkUnisphereVRFEntry() override;

  // A new copy of `source`, which must be a CPelkUnisphereVRFEntry.
  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;

 private:
  void ConvertVendorVRFData(CKelVBList& list) override;

  char* vrName_;
};

#endif  // AGENTS_UNISPHEREMPLSTELNET_CPELKUNISPHEREVRFENTRY_H_
