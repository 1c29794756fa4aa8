#include "HostResults.h"

#include <memory>
#include <optional>
#include <utility>

#include "KelSnmp.h"
#include "ReportText.h"

namespace {

// Binding name -> report key, in report order.
using Fields = std::vector<std::pair<const char*, const char*>>;

const Fields kVirtualRouterFields = {{"m_VRName", "name"}, {"m_VRFName", "vrfs"}};
const Fields kLabelEntryFields = {
    {"m_VRName", "virtualRouter"},  {"m_LspName", "lspName"},
    {"m_InLabel", "inLabel"},       {"m_OutLabel", "outLabel"},
    {"m_OutIfIndex", "outIfIndex"}, {"m_OutInterface", "outInterface"},
    {"m_NextHop", "nextHop"},       {"m_InboundIfIndex", "inIfIndexes"},
    {"m_InInterface", "inInterfaces"}};
const Fields kVrfFields = {{"m_VRName", "virtualRouter"},
                           {"m_VRFName", "name"},
                           {"m_RouteDistinguisher", "routeDistinguisher"},
                           {"m_ExportRT", "exportRouteTargets"},
                           {"m_ImportRT", "importRouteTargets"},
                           {"m_Interfaces", "ifIndexes"}};
const Fields kImpositionFields = {{"m_Label", "label"},
                                  {"m_Destination", "destination"},
                                  {"m_IfIndex", "ifIndex"},
                                  {"m_Interface", "interface"},
                                  {"m_NextHop", "nextHop"}};
const Fields kInterfaceFields = {
    {"ifDescr", "ifDescr"}, {"m_VRName", "virtualRouter"}, {"m_VRFName", "vrf"}};

std::optional<Json> ValueOf(const CKelAtom* atom) {
  if (!atom) return std::nullopt;
  switch (atom->RAKind()) {
    case CKelAtom::kInt:
      return Json(atom->RAInt());
    case CKelAtom::kString:
      if (!atom->RAString()) return std::nullopt;
      return Json(ValidUtf8(atom->RAString()));
    case CKelAtom::kVector: {
      Json values = Json::array();
      const CKelAtomVector* vector = atom->RAVector();
      for (int i = 0; vector && i < vector->RAVSize(); ++i) {
        if (std::optional<Json> value = ValueOf(vector->RAVGetValue(i))) values.push_back(*value);
      }
      return values;
    }
    case CKelAtom::kVBList:
      break;
  }
  return std::nullopt;
}

Json FieldsOf(const CKelVBList* list, const Fields& fields, Json out = Json::object()) {
  for (const auto& [binding, key] : fields) {
    const CKelVarBind* found = list ? list->RVBLFind(binding) : nullptr;
    if (!found) continue;
    if (std::optional<Json> value = ValueOf(found->RVBValue())) out[key] = *value;
  }
  return out;
}

// The binding lists held by a vector atom, such as "m_VRData" or "m_Impositions".
std::vector<const CKelVBList*> ListsIn(const CKelVarBind* binding) {
  std::vector<const CKelVBList*> lists;
  const CKelAtom* atom = binding ? binding->RVBValue() : nullptr;
  const CKelAtomVector* vector = atom ? atom->RAVector() : nullptr;
  for (int i = 0; vector && i < vector->RAVSize(); ++i) {
    const CKelAtom* element = vector->RAVGetValue(i);
    if (element && element->RAVBList()) lists.push_back(element->RAVBList());
  }
  return lists;
}

}  // namespace

Json VirtualRoutersOf(const CKelRecord& record) {
  Json routers = Json::array();
  for (const auto& [name, binding] : record.RRObjectVals()) {
    if (name != "m_ExtraInfo" || !binding || std::string(binding->RVBName()) != "m_VRData") continue;
    for (const CKelVBList* list : ListsIn(binding)) {
      routers.push_back(FieldsOf(list, kVirtualRouterFields));
    }
  }
  return routers;
}

Json LabelEntriesOf(CPelkMPLSData& data) {
  Json entries = Json::array();
  CKelDoubleList& list = data.LabelEntries();
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    CKelVBList converted;
    CKelPointer target(&converted);
    static_cast<CPelkMPLSLabelEntry*>(it)->ConvertLabelEntry(&target);
    entries.push_back(FieldsOf(&converted, kLabelEntryFields));
  }
  return entries;
}

Json VrfsOf(CPelkMPLSData& data) {
  Json vrfs = Json::array();
  CKelDoubleList& list = data.VRFEntries();
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    std::unique_ptr<CKelAtom> converted(static_cast<CPelkMPLSVRFEntry*>(it)->GenerateVRFRecordEntry());
    const CKelVBList* fields = converted ? converted->RAVBList() : nullptr;
    Json vrf = FieldsOf(fields, kVrfFields);
    if (const CKelVarBind* impositions = fields ? fields->RVBLFind("m_Impositions") : nullptr) {
      vrf["impositions"] = Json::array();
      for (const CKelVBList* imposition : ListsIn(impositions)) {
        vrf["impositions"].push_back(FieldsOf(imposition, kImpositionFields));
      }
    }
    vrfs.push_back(vrf);
  }
  return vrfs;
}

Json InterfacesOf(const std::map<int, CKelVBList*>& interfaces) {
  Json rows = Json::array();
  for (const auto& [ifIndex, list] : interfaces) {
    rows.push_back(FieldsOf(list, kInterfaceFields, Json{{"ifIndex", ifIndex}}));
  }
  return rows;
}

Json IpAddressesOf(const CPelkMediationData& medData,
                   const std::vector<std::string>& virtualRouters) {
  Json rows = Json::array();
  for (const std::string& vr : virtualRouters) {
    const CKelDoubleList* walk = medData.DMDGetSnmpGetNext(("ipAdEntIfIndex." + vr).c_str());
    for (CKelListable* it = walk ? walk->RDLHead() : nullptr; it; it = walk->RDLGetNext(it)) {
      auto* row = static_cast<CKelSnmpVarOp*>(it);
      const char* address = row->RSVOASN1()->RAAAsString();
      if (!address) continue;
      Json entry = {{"virtualRouter", ValidUtf8(vr)}, {"address", ValidUtf8(address)}};
      if (std::optional<Json> ifIndex = ValueOf(row->RSVOValue())) entry["ifIndex"] = *ifIndex;
      rows.push_back(entry);
    }
  }
  return rows;
}

Json ErrorsOf(const std::vector<KelErrorRecord>& log) {
  Json errors = Json::array();
  for (const KelErrorRecord& error : log) {
    Json entry = {{"code", error.code}, {"source", ValidUtf8(error.source)}, {"line", error.line}};
    if (error.hasText) entry["text"] = ValidUtf8(error.text);
    errors.push_back(entry);
  }
  return errors;
}

Json WarningsOf(const std::vector<AgentWarning>& warnings) {
  Json rows = Json::array();
  for (const AgentWarning& warning : warnings) {
    Json entry = {{"text", ValidUtf8(warning.text)}};
    if (!warning.virtualRouter.empty()) entry["virtualRouter"] = ValidUtf8(warning.virtualRouter);
    if (!warning.vrf.empty()) entry["vrf"] = ValidUtf8(warning.vrf);
    rows.push_back(entry);
  }
  return rows;
}
