#include "agents/UnisphereMPLSTelnet/CPelkUnisphereLabelEntry.h"

#include <cstdlib>
#include <cstring>

#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

const char* const kLabelEntryStatus = "Active";
const char* const kLabelEntryRole = "Primary";

char* CopyOrNull(const char* text) { return text ? strdup(text) : nullptr; }

void ReleaseText(char*& text) {
  if (text) {
    std::free(text);
    text = nullptr;
  }
}

void AddVectorBinding(CKelVBList* list, const char* name, const CKelAtomVector& values) {
  CKelAtom* atom = new CKelAtom(new CKelAtomVector(values));
  list->RVBLAddToListEnd(new CKelVarBind(name, &atom));
}

}  // namespace

CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry(
    int inLabel, const char* inLabelText, int inIfIndex, const char* inIfName, int outLabel,
    const char* outLabelText, int outIfIndex, const char* outIfName, const char* nextHop,
    const char* lspName, const char* vrName)
    : CPelkMPLSLabelEntry(inLabelText, inLabel, 1, outLabelText, outLabel, true, outIfIndex,
                          outIfName, nextHop, kLabelEntryStatus, kLabelEntryRole),
      inIfNames_(0),
      inIfIndexes_(0),
      vrName_(nullptr),
      lspName_(nullptr) {
  Trace(2) << "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry(" << inLabel << ","
           << inLabelText << "," << inIfIndex << "," << inIfName << "," << outLabel << ","
           << outLabelText << "," << outIfIndex << "," << outIfName << "," << nextHop << ","
           << lspName << "," << vrName << ")";
  // The first index is kept even when unknown (-1), unlike later ones.
  inIfIndexes_.RAVAddToEnd(new CKelAtom(inIfIndex));
  AddIfNameIn(inIfName);
  lspName_ = CopyOrNull(lspName);
  vrName_ = CopyOrNull(vrName);
}

CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry(const CPelkUnisphereLabelEntry& other)
    : CPelkMPLSLabelEntry(other),
      inIfNames_(other.inIfNames_),
      inIfIndexes_(other.inIfIndexes_),
      vrName_(nullptr),
      lspName_(nullptr) {
  Trace(3) << "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry(const CPelkUnisphereLabelEntry &)";
  lspName_ = CopyOrNull(other.lspName_);
  vrName_ = CopyOrNull(other.vrName_);
}

CPelkUnisphereLabelEntry::~CPelkUnisphereLabelEntry() {
  Trace(2) << "CPelkUnisphereLabelEntry::~CPelkUnisphereLabelEntry()";
  ReleaseText(lspName_);
  ReleaseText(vrName_);
}

CKelListable* CPelkUnisphereLabelEntry::RLTargetDeepCopy(const CKelListable* source) {
  Trace(3) << "CPelkUnisphereLabelEntry::RLTargetDeepCopy()";
  if (!source) return nullptr;
  return new CPelkUnisphereLabelEntry(*static_cast<const CPelkUnisphereLabelEntry*>(source));
}

void CPelkUnisphereLabelEntry::ConvertVendorInLabelEntry(CKelVBList& list) {
  Trace(3) << "CPelkUnisphereLabelEntry::ConvertVendorInLabelEntry()";
  if (lspName_) list.RVBLAddToListEnd(new CKelVarBind("m_LspName", lspName_));
  if (vrName_) list.RVBLAddToListEnd(new CKelVarBind("m_VRName", vrName_));
}

void CPelkUnisphereLabelEntry::AddInBoundLabelEntryInfo(CKelVBList* list) {
  Trace(3) << "CPelkUnisphereLabelEntry::AddInLabelEntryInfo";
  CPelkMPLSLabelEntry::AddInBoundLabelEntryInfo(list);
  if (!list) return;
  if (inIfNames_.RAVSize() > 0) AddVectorBinding(list, "m_InInterface", inIfNames_);
  if (inIfIndexes_.RAVSize() > 0) AddVectorBinding(list, "m_InboundIfIndex", inIfIndexes_);
}

void CPelkUnisphereLabelEntry::AddIfIndexIn(int ifIndex) {
  if (ifIndex != -1) inIfIndexes_.RAVAddToEnd(new CKelAtom(ifIndex));
}

void CPelkUnisphereLabelEntry::AddIfNameIn(const char* ifName) {
  if (ifName) inIfNames_.RAVAddToEnd(new CKelAtom(ifName));
}
