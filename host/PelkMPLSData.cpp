#include "host/PelkMPLSData.h"

#include <cstdlib>
#include <string>

namespace {

std::string Text(const char* text) { return text ? text : ""; }

void AddText(CKelVBList* list, const char* name, const std::string& value) {
  list->RVBLAddToListEnd(new CKelVarBind(name, value.c_str()));
}

void AddAtom(CKelVBList* list, const char* name, CKelAtom* atom) {
  list->RVBLAddToListEnd(new CKelVarBind(name, &atom));
}

}  // namespace

// ---- CPelkMPLSLabelEntry ----

CPelkMPLSLabelEntry::CPelkMPLSLabelEntry(const char* inLabelText, int inLabel, int labelSpace,
                                         const char* outLabelText, int outLabel, bool swapsLabel,
                                         int outIfIndex, const char* outIfName, const char* nextHop,
                                         const char* status, const char* role)
    : inLabelText_(Text(inLabelText)),
      inLabel_(inLabel),
      labelSpace_(labelSpace),
      outLabelText_(Text(outLabelText)),
      outLabel_(outLabel),
      swapsLabel_(swapsLabel),
      outIfIndex_(outIfIndex),
      outIfName_(Text(outIfName)),
      nextHop_(Text(nextHop)),
      status_(Text(status)),
      role_(Text(role)) {}

CKelListable* CPelkMPLSLabelEntry::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CPelkMPLSLabelEntry(*static_cast<const CPelkMPLSLabelEntry*>(source))
                : nullptr;
}

void CPelkMPLSLabelEntry::ConvertLabelEntry(CKelPointer* target) {
  auto* list = target ? static_cast<CKelVBList*>(target->RPData()) : nullptr;
  if (!list) return;
  AddText(list, "m_OutLabel", outLabelText_);
  AddAtom(list, "m_OutIfIndex", new CKelAtom(outIfIndex_));
  AddText(list, "m_OutInterface", outIfName_);
  AddText(list, "m_NextHop", nextHop_);
  AddText(list, "m_Status", status_);
  AddText(list, "m_Role", role_);
  ConvertVendorInLabelEntry(*list);
  AddInBoundLabelEntryInfo(list);
}

void CPelkMPLSLabelEntry::ConvertVendorInLabelEntry(CKelVBList&) {}

CKelVarBind* CPelkMPLSLabelEntry::CreateInitialStoreSection(CKelTreeList*) {
  return new CKelVarBind("m_InLabel", inLabelText_.c_str());
}

void CPelkMPLSLabelEntry::ConstructOutInterfaceEntry(CKelTreeList* interfaces, CKelPointer** out) {
  if (!out) return;
  *out = interfaces ? interfaces->RTLGet(outIfIndex_) : nullptr;
}

void CPelkMPLSLabelEntry::AddInBoundLabelEntryInfo(CKelVBList* list) {
  if (list) AddText(list, "m_InLabel", inLabelText_);
}

CKelVarBind* CPelkMPLSLabelEntry::ConstructInLabelEntry(CKelAtomVector& labels) {
  CKelAtom* atom = new CKelAtom(new CKelAtomVector(labels));
  return new CKelVarBind("m_InLabels", &atom);
}

// ---- CPelkMPLSVRFLabelEntry ----

CPelkMPLSVRFLabelEntry::CPelkMPLSVRFLabelEntry(const char* labelText, int label, bool pushesLabel,
                                               const char* destination, int ifIndex,
                                               const char* ifName, const char* nextHop,
                                               const char* status, const char* role,
                                               const char* peer, int peerIfIndex)
    : labelText_(Text(labelText)),
      label_(label),
      pushesLabel_(pushesLabel),
      destination_(Text(destination)),
      ifIndex_(ifIndex),
      ifName_(Text(ifName)),
      nextHop_(Text(nextHop)),
      status_(Text(status)),
      role_(Text(role)),
      hasPeer_(peer != nullptr),
      peer_(Text(peer)),
      peerIfIndex_(peerIfIndex) {}

CKelListable* CPelkMPLSVRFLabelEntry::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CPelkMPLSVRFLabelEntry(*static_cast<const CPelkMPLSVRFLabelEntry*>(source))
                : nullptr;
}

CKelVBList* CPelkMPLSVRFLabelEntry::Convert() const {
  auto* list = new CKelVBList;
  AddText(list, "m_Label", labelText_);
  AddText(list, "m_Destination", destination_);
  AddAtom(list, "m_IfIndex", new CKelAtom(ifIndex_));
  AddText(list, "m_Interface", ifName_);
  AddText(list, "m_NextHop", nextHop_);
  AddText(list, "m_Status", status_);
  AddText(list, "m_Role", role_);
  if (hasPeer_) AddText(list, "m_Peer", peer_);
  if (peerIfIndex_ != -1) AddAtom(list, "m_PeerIfIndex", new CKelAtom(peerIfIndex_));
  return list;
}

// ---- CPelkMPLSVRFEntry ----

CPelkMPLSVRFEntry::CPelkMPLSVRFEntry(const char* name, const char* routeDistinguisher,
                                     const char* description, CKelAtomVector* importRTs,
                                     CKelDoubleList* labelEntries, CKelAtomVector* exportRTs,
                                     CKelAtomVector* interfaces)
    : name_(Text(name)),
      routeDistinguisher_(Text(routeDistinguisher)),
      hasDescription_(description != nullptr),
      description_(Text(description)),
      importRTs_(importRTs ? importRTs : new CKelAtomVector(0)),
      labelEntries_(labelEntries ? labelEntries : new CKelDoubleList),
      exportRTs_(exportRTs ? exportRTs : new CKelAtomVector(0)),
      interfaces_(interfaces ? interfaces : new CKelAtomVector(0)) {}

CPelkMPLSVRFEntry::CPelkMPLSVRFEntry(const CPelkMPLSVRFEntry& other)
    : CKelListable(other),
      name_(other.name_),
      routeDistinguisher_(other.routeDistinguisher_),
      hasDescription_(other.hasDescription_),
      description_(other.description_),
      importRTs_(new CKelAtomVector(*other.importRTs_)),
      labelEntries_(new CKelDoubleList),
      exportRTs_(new CKelAtomVector(*other.exportRTs_)),
      interfaces_(new CKelAtomVector(*other.interfaces_)) {
  labelEntries_->RDLAddToListEnd(other.labelEntries_, false);
}

CPelkMPLSVRFEntry::~CPelkMPLSVRFEntry() {
  delete importRTs_;
  delete labelEntries_;
  delete exportRTs_;
  delete interfaces_;
}

CKelListable* CPelkMPLSVRFEntry::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CPelkMPLSVRFEntry(*static_cast<const CPelkMPLSVRFEntry*>(source)) : nullptr;
}

CKelAtom* CPelkMPLSVRFEntry::GenerateVRFRecordEntry() {
  auto* list = new CKelVBList;
  AddText(list, "m_VRFName", name_);
  AddText(list, "m_RouteDistinguisher", routeDistinguisher_);
  if (hasDescription_) AddText(list, "m_Description", description_);
  AddAtom(list, "m_ExportRT", new CKelAtom(new CKelAtomVector(*exportRTs_)));
  AddAtom(list, "m_ImportRT", new CKelAtom(new CKelAtomVector(*importRTs_)));
  AddAtom(list, "m_Interfaces", new CKelAtom(new CKelAtomVector(*interfaces_)));
  auto* impositions = new CKelAtomVector(labelEntries_->RDLLength());
  for (CKelListable* it = labelEntries_->RDLHead(); it; it = labelEntries_->RDLGetNext(it)) {
    impositions->RAVAddToEnd(new CKelAtom(static_cast<CPelkMPLSVRFLabelEntry*>(it)->Convert()));
  }
  AddAtom(list, "m_Impositions", new CKelAtom(impositions));
  ConvertVendorVRFData(*list);
  return new CKelAtom(list);
}

CKelAtom* CPelkMPLSVRFEntry::GenerateCERecordEntry(int index) {
  CKelListable* it = labelEntries_->RDLHead();
  for (int i = 0; it && i < index; ++i) it = labelEntries_->RDLGetNext(it);
  if (index < 0 || !it) return nullptr;
  return new CKelAtom(static_cast<CPelkMPLSVRFLabelEntry*>(it)->Convert());
}

void CPelkMPLSVRFEntry::AddImportRT(const char* routeTarget) {
  if (routeTarget) importRTs_->RAVAddToEnd(new CKelAtom(routeTarget));
}

void CPelkMPLSVRFEntry::AddExportRT(const char* routeTarget) {
  if (routeTarget) exportRTs_->RAVAddToEnd(new CKelAtom(routeTarget));
}

void CPelkMPLSVRFEntry::SetInterfaceList(CKelAtomVector* interfaces) {
  if (interfaces == interfaces_) return;
  delete interfaces_;
  interfaces_ = interfaces ? interfaces : new CKelAtomVector(0);
}

void CPelkMPLSVRFEntry::AddVRFLabelEntry(CPelkMPLSVRFLabelEntry* entry) {
  labelEntries_->RDLAddToListEnd(entry);
}

CKelVBList* CPelkMPLSVRFEntry::VendorBindings() {
  auto* list = new CKelVBList;
  ConvertVendorVRFData(*list);
  return list;
}

void CPelkMPLSVRFEntry::ConvertVendorVRFData(CKelVBList&) {}

// ---- CPelkMPLSData ----

void CPelkMPLSData::AddLFIBEntry(CPelkMPLSLabelEntry* entry) {
  labelEntries_.RDLAddToListEnd(entry);
}

// The owning virtual router is known only to the vendor hook, and hooks run
// when the host converts an entry, never while the agent is still offering
// them. So a VRF is known by its name and route distinguisher: two VRFs of
// different virtual routers carry different ones. A VRF without a route
// distinguisher is never taken for another, since nothing tells them apart.
int CPelkMPLSData::AddVRFDataEntry(CPelkMPLSVRFEntry* entry) {
  if (!entry) return 0;
  for (CKelListable* it = vrfEntries_.RDLHead(); it; it = vrfEntries_.RDLGetNext(it)) {
    auto* present = static_cast<CPelkMPLSVRFEntry*>(it);
    if (present == entry) return 0;
    if (!entry->RouteDistinguisher().empty() && present->Name() == entry->Name() &&
        present->RouteDistinguisher() == entry->RouteDistinguisher()) {
      return 0;
    }
  }
  vrfEntries_.RDLAddToListEnd(entry);
  return 1;
}
