#include "agents/UnisphereMPLSTelnet/CPelkUnisphereVRFEntry.h"

#include <cstdlib>
#include <cstring>

#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {
char* CopyOrNull(const char* text) { return text ? strdup(text) : nullptr; }
}  // namespace

CPelkUnisphereVRFEntry::CPelkUnisphereVRFEntry(const char* vrfName, const char* routeDistinguisher,
                                               const char* vrName)
    : CPelkMPLSVRFEntry(vrfName, routeDistinguisher, nullptr, nullptr, nullptr, nullptr, nullptr),
      vrName_(nullptr) {
  Trace(2) << "CPelkUnisphereVRFEntry::CPelkUnisphereVRFEntry()";
  vrName_ = CopyOrNull(vrName);
}

CPelkUnisphereVRFEntry::CPelkUnisphereVRFEntry(const CPelkUnisphereVRFEntry& other)
    : CPelkMPLSVRFEntry(other), vrName_(nullptr) {
  Trace(2) << "CPelkUnisphereVRFEntry::CPelkUnisphereVRFEntry(const CPelkUnisphereVRFEntry &)";
  vrName_ = CopyOrNull(other.vrName_);
}

CPelkUnisphereVRFEntry::~CPelkUnisphereVRFEntry() {
  Trace(2) << "CPelkUnisphereVRFEntry::~CPelkUnisphereVRFEntry()";
  if (vrName_) {
    free(vrName_);
    vrName_ = nullptr;
  }
}

CKelListable* CPelkUnisphereVRFEntry::RLTargetDeepCopy(const CKelListable* source) {
  Trace(3) << "CPelkUnisphereVRFEntry::RLTargetDeepCopy()";
  return source ? new CPelkUnisphereVRFEntry(*static_cast<const CPelkUnisphereVRFEntry*>(source))
                : nullptr;
}

void CPelkUnisphereVRFEntry::ConvertVendorVRFData(CKelVBList& list) {
  Trace(3) << "CPelkUnisphereVRFEntry::ConvertVendorVRFData()";
  if (vrName_) list.RVBLAddToListEnd(new CKelVarBind("m_VRName", vrName_));
}
