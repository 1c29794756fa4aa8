#include "discovery/LabelTableEntries.h"

#include <map>
#include <memory>

#include "host/ERXHost.h"
#include "host/KelSnmp.h"
#include "readers/LabelTable.h"

namespace {

using IfIndexes = std::map<std::string, int>;

// The interface-table rows of one SNMP context, keyed as the module keys them;
// a key already known keeps its ifIndex.
void AddInterfaceTable(CPelkRequestTransport& transport, CKelRecord& record,
                       const std::string& context, IfIndexes& byKey) {
  std::unique_ptr<CKelDoubleList> descrs(transport.Walk(&record, "ifDescr", "@" + context));
  if (!descrs) return;
  std::unique_ptr<CKelDoubleList> types(transport.Walk(&record, "ifType", "@" + context));
  std::map<int, int> typeOf;
  for (CKelListable* it = types ? types->RDLHead() : nullptr; it; it = types->RDLGetNext(it)) {
    auto* row = static_cast<CKelSnmpVarOp*>(it);
    const CKelAtom* value = row->RSVOValue();
    if (value && value->RAKind() == CKelAtom::kInt) {
      typeOf.emplace(row->RSVOASN1()->RAAAddressAt(0), value->RAInt());
    }
  }
  for (CKelListable* it = descrs->RDLHead(); it; it = descrs->RDLGetNext(it)) {
    auto* row = static_cast<CKelSnmpVarOp*>(it);
    const CKelAtom* descr = row->RSVOValue();
    const int ifIndex = row->RSVOASN1()->RAAAddressAt(0);
    if (!descr || descr->RAKind() != CKelAtom::kString || !descr->RAString() || ifIndex <= 0) {
      continue;
    }
    const auto type = typeOf.find(ifIndex);
    std::string key;
    ERXGetDescrFromIfTableDescr(descr->RAString(), context, key,
                                type == typeOf.end() ? 0 : type->second);
    if (!key.empty()) byKey.emplace(key, ifIndex);
  }
}

IfIndexes InterfaceKeysOf(CPelkRequestTransport& transport, CKelRecord& record,
                          const std::string& vr, const report::Report& found) {
  IfIndexes byKey;
  AddInterfaceTable(transport, record, vr, byKey);
  for (const report::VirtualRouter& router : found.virtualRouters) {
    if (router.name != vr || !router.vrfs) continue;
    for (const std::string& vrf : *router.vrfs) {
      AddInterfaceTable(transport, record, vr + ":" + vrf, byKey);
    }
  }
  return byKey;
}

std::string RowName(const LabelTableRow& row) {
  return row.inLabel ? "in label " + *row.inLabel : "in interface " + row.inInterface.value_or("");
}

report::LabelEntry EntryOf(const LabelTableRow& row, const std::string& vr) {
  report::LabelEntry e;
  e.virtualRouter = vr;
  e.inLabel = row.inLabel;
  e.inInterface = row.inInterface;
  e.owner = row.owner;
  e.action = row.action;
  e.actionText = row.actionText;
  e.outLabel = row.outLabel;
  if (!row.pushLabels.empty()) e.pushLabels = row.pushLabels;
  e.outInterface = row.outInterface;
  e.nextHop = row.nextHop;
  e.labelSpace = row.labelSpace;
  e.layout = "label-table";
  return e;
}

}  // namespace

void AddLabelTableEntries(const std::vector<std::pair<std::string, std::string>>& tables,
                          CPelkRequestTransport& transport, CKelRecord& record,
                          report::Report& found) {
  for (const auto& [vr, reply] : tables) {
    const LabelTable table = ReadLabelTable(reply);
    for (const std::string& note : table.notes) found.warnings.push_back({note, vr, std::nullopt});
    std::unique_ptr<IfIndexes> byKey;  // walked only for a table that names an interface
    for (const LabelTableRow& row : table.rows) {
      report::LabelEntry entry = EntryOf(row, vr);
      if (row.outInterface) {
        if (!byKey) {
          byKey = std::make_unique<IfIndexes>(InterfaceKeysOf(transport, record, vr, found));
        }
        std::string key;
        ERXGetDescrFromVrfDescr(row.outInterface->c_str(), vr, key);
        const auto ifIndex = byKey->find(key);
        if (ifIndex != byKey->end()) {
          entry.outIfIndex = ifIndex->second;
        } else {
          found.warnings.push_back({"show mpls forwarding brief: no ifIndex for out interface '" +
                                        *row.outInterface + "' of " + RowName(row),
                                    vr, std::nullopt});
        }
      }
      found.labelEntries.push_back(std::move(entry));
    }
  }
}
