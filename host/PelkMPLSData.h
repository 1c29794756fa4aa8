// The MPLS result that an agent hands the host, and its entry classes.
//
// Conversion: the host turns each entry into a binding list. A label entry's
// list is what ConvertLabelEntry appends to the CKelVBList a CKelPointer
// points to: the entry's own fields, then what the hooks add (the host reads
// the fields from the entry and calls the hooks alone, in the same order, when
// it converts the 100,000 entries of a large router); for a VRF entry GenerateVRFRecordEntry gives
// an atom holding the VRF's list, and GenerateCERecordEntry one imposition entry's list. Vendor
// classes add their fields through the hooks ConvertVendorInLabelEntry, AddInBoundLabelEntryInfo
// and ConvertVendorVRFData.
#ifndef HOST_PELKMPLSDATA_H_
#define HOST_PELKMPLSDATA_H_

#include <string>

#include "host/KelBase.h"

class CPelkMPLSLabelEntry : public CKelListable {
 public:
  CPelkMPLSLabelEntry(const char* inLabelText, int inLabel, int labelSpace,
                      const char* outLabelText, int outLabel, bool swapsLabel, int outIfIndex,
                      const char* outIfName, const char* nextHop, const char* status,
                      const char* role);
  CPelkMPLSLabelEntry(const CPelkMPLSLabelEntry& other) = default;
  ~CPelkMPLSLabelEntry() override = default;

  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  // Appends the entry's bindings to the CKelVBList that `target` points to:
  // the outbound fields, then the vendor hooks, then the inbound information.
  virtual void ConvertLabelEntry(CKelPointer* target);
  virtual void ConvertVendorInLabelEntry(CKelVBList& list);
  // A new "m_InLabel" binding that opens an entry's section in a store.
  virtual CKelVarBind* CreateInitialStoreSection(CKelTreeList* interfaces);
  // Points *out at the outgoing interface's entry of `interfaces` (keyed by
  // ifIndex), or null.
  virtual void ConstructOutInterfaceEntry(CKelTreeList* interfaces, CKelPointer** out);
  virtual void AddInBoundLabelEntryInfo(CKelVBList* list);
  // A new "m_InLabels" binding holding a copy of `labels`.
  virtual CKelVarBind* ConstructInLabelEntry(CKelAtomVector& labels);

  const std::string& InLabelText() const { return inLabelText_; }
  int InLabel() const { return inLabel_; }
  int LabelSpace() const { return labelSpace_; }
  bool SwapsLabel() const { return swapsLabel_; }
  const std::string& OutLabelText() const { return outLabelText_; }
  int OutLabel() const { return outLabel_; }
  int OutIfIndex() const { return outIfIndex_; }
  const std::string& OutIfName() const { return outIfName_; }
  const std::string& NextHop() const { return nextHop_; }

 private:
  std::string inLabelText_;
  int inLabel_;
  int labelSpace_;
  std::string outLabelText_;
  int outLabel_;
  bool swapsLabel_;
  int outIfIndex_;
  std::string outIfName_;
  std::string nextHop_;
  std::string status_;
  std::string role_;
};

// One imposition (VPN label pushed towards a route of a VRF).
class CPelkMPLSVRFLabelEntry : public CKelListable {
 public:
  CPelkMPLSVRFLabelEntry(const char* labelText, int label, bool pushesLabel,
                         const char* destination, int ifIndex, const char* ifName,
                         const char* nextHop, const char* status, const char* role,
                         const char* peer, int peerIfIndex);
  CPelkMPLSVRFLabelEntry(const CPelkMPLSVRFLabelEntry& other) = default;
  ~CPelkMPLSVRFLabelEntry() override = default;

  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  // A new binding list of the entry's fields.
  CKelVBList* Convert() const;

  const std::string& LabelText() const { return labelText_; }
  int Label() const { return label_; }
  bool PushesLabel() const { return pushesLabel_; }
  const std::string& Destination() const { return destination_; }
  int IfIndex() const { return ifIndex_; }
  const std::string& IfName() const { return ifName_; }
  const std::string& NextHop() const { return nextHop_; }

 private:
  std::string labelText_;
  int label_;
  bool pushesLabel_;
  std::string destination_;
  int ifIndex_;
  std::string ifName_;
  std::string nextHop_;
  std::string status_;
  std::string role_;
  bool hasPeer_;
  std::string peer_;
  int peerIfIndex_;
};

class CPelkMPLSVRFEntry : public CKelListable {
 public:
  // Null containers start empty; given ones are taken over.
  CPelkMPLSVRFEntry(const char* name, const char* routeDistinguisher, const char* description,
                    CKelAtomVector* importRTs, CKelDoubleList* labelEntries,
                    CKelAtomVector* exportRTs, CKelAtomVector* interfaces);
  CPelkMPLSVRFEntry(const CPelkMPLSVRFEntry& other);  // deep copy
  ~CPelkMPLSVRFEntry() override;

  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  // A new atom holding the VRF's binding list, vendor bindings last.
  virtual CKelAtom* GenerateVRFRecordEntry();
  // A new atom holding imposition entry `index`'s binding list, or null.
  virtual CKelAtom* GenerateCERecordEntry(int index);

  void AddImportRT(const char* routeTarget);
  void AddExportRT(const char* routeTarget);
  void SetInterfaceList(CKelAtomVector* interfaces);     // takes it, frees the old one
  void AddVRFLabelEntry(CPelkMPLSVRFLabelEntry* entry);  // takes it

  const std::string& Name() const { return name_; }
  const std::string& RouteDistinguisher() const { return routeDistinguisher_; }
  const CKelAtomVector& ImportRTs() const { return *importRTs_; }
  const CKelAtomVector& ExportRTs() const { return *exportRTs_; }
  const CKelAtomVector& Interfaces() const { return *interfaces_; }
  const CKelDoubleList& LabelEntries() const { return *labelEntries_; }
  // The vendor bindings, as the host's conversion gets them.
  CKelVBList* VendorBindings();

 private:
  virtual void ConvertVendorVRFData(CKelVBList& list);

  std::string name_;
  std::string routeDistinguisher_;
  bool hasDescription_;
  std::string description_;
  CKelAtomVector* importRTs_;
  CKelDoubleList* labelEntries_;
  CKelAtomVector* exportRTs_;
  CKelAtomVector* interfaces_;
};

class CPelkMPLSData {
 public:
  CPelkMPLSData() = default;
  CPelkMPLSData(const CPelkMPLSData&) = delete;
  CPelkMPLSData& operator=(const CPelkMPLSData&) = delete;
  virtual ~CPelkMPLSData() = default;

  void AddLFIBEntry(CPelkMPLSLabelEntry* entry);  // takes the entry
  // Takes the entry and returns 1, or returns 0 when it is already present or
  // a VRF of the same name and the same (set) route distinguisher is; the
  // caller keeps a refused entry. No vendor hook is called.
  int AddVRFDataEntry(CPelkMPLSVRFEntry* entry);

  CKelDoubleList& LabelEntries() { return labelEntries_; }
  CKelDoubleList& VRFEntries() { return vrfEntries_; }

 private:
  CKelDoubleList labelEntries_;
  CKelDoubleList vrfEntries_;
};

#endif  // HOST_PELKMPLSDATA_H_
