#include "discovery/HostResults.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "host/KelSnmp.h"

namespace {

// One converted binding list, read field by field.
class Bindings {
 public:
  explicit Bindings(const CKelVBList* list) : list_(list) {}

  report::Text Text(const char* name) const {
    const CKelAtom* atom = Atom(name);
    if (!atom || atom->RAKind() != CKelAtom::kString || !atom->RAString()) return std::nullopt;
    return std::string(atom->RAString());
  }
  report::Number Number(const char* name) const {
    const CKelAtom* atom = Atom(name);
    if (!atom || atom->RAKind() != CKelAtom::kInt) return std::nullopt;
    return atom->RAInt();
  }
  report::Texts Texts(const char* name) const {
    return Elements<std::string>(name, [](const CKelAtom* atom, std::vector<std::string>& out) {
      if (atom->RAKind() == CKelAtom::kString && atom->RAString())
        out.emplace_back(atom->RAString());
    });
  }
  report::Numbers Numbers(const char* name) const {
    return Elements<int>(name, [](const CKelAtom* atom, std::vector<int>& out) {
      if (atom->RAKind() == CKelAtom::kInt) out.push_back(atom->RAInt());
    });
  }
  // The binding lists held by a vector binding, such as "m_Impositions".
  std::vector<const CKelVBList*> Lists(const char* name) const {
    std::vector<const CKelVBList*> lists;
    const CKelAtom* atom = Atom(name);
    const CKelAtomVector* vector = atom ? atom->RAVector() : nullptr;
    for (int i = 0; vector && i < vector->RAVSize(); ++i) {
      const CKelAtom* element = vector->RAVGetValue(i);
      if (element && element->RAVBList()) lists.push_back(element->RAVBList());
    }
    return lists;
  }
  bool Has(const char* name) const { return list_ && list_->RVBLFind(name); }

 private:
  const CKelAtom* Atom(const char* name) const {
    const CKelVarBind* found = list_ ? list_->RVBLFind(name) : nullptr;
    return found ? found->RVBValue() : nullptr;
  }
  template <typename T, typename Add>
  std::optional<std::vector<T>> Elements(const char* name, Add add) const {
    const CKelAtom* atom = Atom(name);
    if (!atom || atom->RAKind() != CKelAtom::kVector) return std::nullopt;
    std::vector<T> values;
    const CKelAtomVector* vector = atom->RAVector();
    for (int i = 0; vector && i < vector->RAVSize(); ++i) {
      if (const CKelAtom* element = vector->RAVGetValue(i)) add(element, values);
    }
    return values;
  }

  const CKelVBList* list_;
};

}  // namespace

std::vector<report::VirtualRouter> VirtualRoutersOf(const CKelRecord& record) {
  std::vector<report::VirtualRouter> routers;
  for (const auto& [name, binding] : record.RRObjectVals()) {
    if (name != "m_ExtraInfo" || !binding || std::string(binding->RVBName()) != "m_VRData")
      continue;
    const CKelAtom* atom = binding->RVBValue();
    const CKelAtomVector* vector = atom ? atom->RAVector() : nullptr;
    for (int i = 0; vector && i < vector->RAVSize(); ++i) {
      const CKelAtom* element = vector->RAVGetValue(i);
      if (!element || !element->RAVBList()) continue;
      const Bindings vr(element->RAVBList());
      routers.push_back({vr.Text("m_VRName"), vr.Texts("m_VRFName")});
    }
  }
  return routers;
}

namespace {

report::Text TextOf(const CKelAtom* atom) {
  if (!atom || atom->RAKind() != CKelAtom::kString || !atom->RAString()) return std::nullopt;
  return std::string(atom->RAString());
}

// In the order the conversion adds them, so that most names match at once.
enum Field { kOut, kOutIfIndex, kOutIf, kNextHop, kLsp, kVR, kIn, kInIfs, kInIfIndexes, kCount };

// The field a binding's name fills in; kCount for none. Names of another
// length are passed over without comparing their bytes.
int FieldNamed(std::string_view name) {
  static constexpr std::string_view kNames[kCount] = {
      "m_OutLabel", "m_OutIfIndex", "m_OutInterface", "m_NextHop",       "m_LspName",
      "m_VRName",   "m_InLabel",    "m_InInterface",  "m_InboundIfIndex"};
  int field = 0;
  while (field < kCount && kNames[field] != name) ++field;
  return field;
}

bool IsVector(const CKelAtom* atom) { return atom && atom->RAKind() == CKelAtom::kVector; }

// The strings of a vector; its other elements are left out.
std::vector<std::string> TextsOf(const CKelAtomVector* vector) {
  std::vector<std::string> texts;
  const int size = vector ? vector->RAVSize() : 0;
  for (int i = 0; i < size; ++i) {
    const CKelAtom* element = vector->RAVGetValue(i);
    if (element && element->RAKind() == CKelAtom::kString && element->RAString()) {
      texts.emplace_back(element->RAString());
    }
  }
  return texts;
}

// The integers of a vector; its other elements are left out.
std::vector<int> NumbersOf(const CKelAtomVector* vector) {
  std::vector<int> numbers;
  const int size = vector ? vector->RAVSize() : 0;
  for (int i = 0; i < size; ++i) {
    const CKelAtom* element = vector->RAVGetValue(i);
    if (element && element->RAKind() == CKelAtom::kInt) numbers.push_back(element->RAInt());
  }
  return numbers;
}

void ReadField(int field, const CKelAtom* atom, report::LabelEntry& entry) {
  switch (field) {
    case kOut:
      entry.outLabel = TextOf(atom);
      break;
    case kOutIf:
      entry.outInterface = TextOf(atom);
      break;
    case kNextHop:
      entry.nextHop = TextOf(atom);
      break;
    case kLsp:
      entry.lspName = TextOf(atom);
      break;
    case kVR:
      entry.virtualRouter = TextOf(atom);
      break;
    case kIn:
      entry.inLabel = TextOf(atom);
      break;
    case kOutIfIndex:
      if (atom && atom->RAKind() == CKelAtom::kInt) entry.outIfIndex = atom->RAInt();
      break;
    case kInIfs:
      if (IsVector(atom)) entry.inInterfaces = TextsOf(atom->RAVector());
      break;
    case kInIfIndexes:
      if (IsVector(atom)) entry.inIfIndexes = NumbersOf(atom->RAVector());
      break;
  }
}

// A label entry read from its converted bindings in one pass instead of a
// search of the list per field, a cost that shows with the 100,000 entries of
// a large router. As with Bindings, the first binding of a name counts; the
// fields marked in `seen` are already read.
void ReadLabelEntry(const CKelVBList& list, report::LabelEntry& entry, bool (&seen)[kCount]) {
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    auto* binding = static_cast<CKelVarBind*>(it);
    const int field = FieldNamed(binding->RVBName());
    if (field == kCount || seen[field]) continue;
    seen[field] = true;
    ReadField(field, binding->RVBValue(), entry);
  }
}

}  // namespace

std::vector<report::LabelEntry> LabelEntriesOf(CPelkMPLSData& data) {
  std::vector<report::LabelEntry> entries;
  CKelDoubleList& list = data.LabelEntries();
  entries.reserve(static_cast<size_t>(list.RDLLength()));
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    // As ConvertLabelEntry converts it, without making bindings of the
    // entry's own fields only to read them back: those come first in the
    // conversion, so the hooks' bindings of the same names never count.
    auto* labelEntry = static_cast<CPelkMPLSLabelEntry*>(it);
    report::LabelEntry& entry = entries.emplace_back();
    entry.outLabel = labelEntry->OutLabelText();
    entry.outIfIndex = labelEntry->OutIfIndex();
    entry.outInterface = labelEntry->OutIfName();
    entry.nextHop = labelEntry->NextHop();
    bool seen[kCount] = {};
    seen[kOut] = seen[kOutIfIndex] = seen[kOutIf] = seen[kNextHop] = true;
    CKelVBList hooks;
    labelEntry->ConvertVendorInLabelEntry(hooks);
    labelEntry->AddInBoundLabelEntryInfo(&hooks);
    ReadLabelEntry(hooks, entry, seen);
  }
  return entries;
}

std::vector<report::Vrf> VrfsOf(CPelkMPLSData& data) {
  std::vector<report::Vrf> vrfs;
  CKelDoubleList& list = data.VRFEntries();
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    std::unique_ptr<CKelAtom> converted(
        static_cast<CPelkMPLSVRFEntry*>(it)->GenerateVRFRecordEntry());
    const Bindings v(converted ? converted->RAVBList() : nullptr);
    report::Vrf vrf{v.Text("m_VRName"),    v.Text("m_VRFName"),   v.Text("m_RouteDistinguisher"),
                    v.Texts("m_ExportRT"), v.Texts("m_ImportRT"), v.Numbers("m_Interfaces"),
                    std::nullopt};
    if (v.Has("m_Impositions")) {
      vrf.impositions.emplace();
      for (const CKelVBList* imposition : v.Lists("m_Impositions")) {
        const Bindings i(imposition);
        vrf.impositions->push_back({i.Text("m_Label"), i.Text("m_Destination"),
                                    i.Number("m_IfIndex"), i.Text("m_Interface"),
                                    i.Text("m_NextHop")});
      }
    }
    vrfs.push_back(std::move(vrf));
  }
  return vrfs;
}

std::vector<report::Interface> InterfacesOf(const std::map<int, CKelVBList*>& interfaces) {
  std::vector<report::Interface> rows;
  rows.reserve(interfaces.size());
  for (const auto& [ifIndex, list] : interfaces) {
    const Bindings i(list);
    rows.push_back({ifIndex, i.Text("ifDescr"), i.Text("m_VRName"), i.Text("m_VRFName")});
  }
  return rows;
}

std::vector<report::IpAddress> IpAddressesOf(const CPelkMediationData& medData,
                                             const std::vector<std::string>& virtualRouters) {
  std::vector<report::IpAddress> rows;
  for (const std::string& vr : virtualRouters) {
    const CKelDoubleList* walk = medData.DMDGetSnmpGetNext(("ipAdEntIfIndex." + vr).c_str());
    for (CKelListable* it = walk ? walk->RDLHead() : nullptr; it; it = walk->RDLGetNext(it)) {
      auto* row = static_cast<CKelSnmpVarOp*>(it);
      const char* address = row->RSVOASN1()->RAAAsString();
      if (!address) continue;
      const CKelAtom* value = row->RSVOValue();
      report::Number ifIndex;
      if (value && value->RAKind() == CKelAtom::kInt) ifIndex = value->RAInt();
      rows.push_back({vr, address, ifIndex});
    }
  }
  return rows;
}

std::vector<report::Error> ErrorsOf(const std::vector<KelErrorRecord>& log) {
  std::vector<report::Error> errors;
  errors.reserve(log.size());
  for (const KelErrorRecord& error : log) {
    errors.push_back({error.code, error.source, error.line,
                      error.hasText ? report::Text(error.text) : std::nullopt});
  }
  return errors;
}

std::vector<report::Warning> WarningsOf(const std::vector<AgentWarning>& warnings) {
  std::vector<report::Warning> rows;
  for (const AgentWarning& warning : warnings) {
    const auto known = [](const std::string& name) {
      return name.empty() ? std::nullopt : report::Text(name);
    };
    rows.push_back({warning.text, known(warning.virtualRouter), known(warning.vrf)});
  }
  return rows;
}
