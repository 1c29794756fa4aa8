// "show ip bgp vpnv4 vrf NAME next-hops": the VPN label of each labelled BGP
// next hop of one VRF, keyed by next hop + "." + the direct next-hop
// interface's description.
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "agents/UnisphereMPLSTelnet/PatternPaths.h"
#include "host/PelkPattern.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

const char kCommand[] = "show ip bgp vpnv4 vrf ";

// A record runs from "Indirect" at a line start to the indented "Reference"
// line; inside it the first address is the next hop, the number after
// "MPLS stacked label" the label, the rest of the "Direct next-hop" line the
// interface.
CPelkPattern NextHopTree() {
  const std::vector<std::string> pieces{"(^|\n)Indirect", "\n +MPLS", "\n +Reachable", "\n +Direct",
                                        "\n +Reference"};
  CPelkPattern root("entry", true, pieces);
  auto* children = new std::vector<CPelkPattern>;
  children->push_back(CPelkPattern("nexthop", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}"));
  children->push_back(CPelkPattern(
      "filler1", false, "[[:space:]]+MPLS[[:space:]]+stacked[[:space:]]+label[[:space:]]+"));
  children->push_back(CPelkPattern("label", false, "[0-9]+"));
  children->push_back(
      CPelkPattern("filler2", false, "[[:space:]]+Direct[[:space:]]+next-hop[[:space:]]+"));
  children->push_back(CPelkPattern("interface", false, "[^\n\r]+"));
  root.SetSubPattern(children);
  return root;
}

}  // namespace

void CPelkUnisphereMPLSTelnet::GetLabels(CKelRecord* record,
                                         std::map<std::string, std::string>& labels,
                                         std::string& vrfName, const std::string& vrName) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::GetLabels(,," << vrfName << "," << vrName << ")";
  const std::string* reply =
      CachedTelnetReply(DAGetMediationData(record), vrName.c_str(), vrfName.c_str(), kCommand);
  if (!reply) {
    Trace(1) << "::GetLabels() no response from device for " << kCommand << vrfName << " next-hops"
             << " on " << vrName;
    return;
  }
  CPelkPattern root = NextHopTree();
  const int entries = MatchTelnetTable(root, "entry", *reply, "GetLabels", 1235, "no vrf data?",
                                       false);
  for (int i = 0; i < entries; ++i) {
    const std::string entry = IndexedPath("entry", i);
    Trace(4) << "::GetLabels() table entry found of (" << i << ")";
    Trace(4) << TracedField{root, entry};
    const std::string nextHop = FieldText(root, entry, "nexthop[0]");
    const std::string label = FieldText(root, entry, "label[0]");
    const std::string ifName = FieldText(root, entry, "interface[0]");
    Trace(4) << "::GetLabels() RESULT: (nexthop,label,ifName)=('" << nextHop << "','" << label
             << "','" << ifName << "')";
    if (nextHop.empty() || label.empty() || ifName.empty()) {
      Trace(1)
          << "::GetLabels() failed to add label info to tree because size(nexthop,label,ifName)=("
          << nextHop.size() << "," << label.size() << "," << ifName.size() << ")";
      continue;
    }
    std::string descr;
    ERXGetDescrFromVrfDescr(ifName.c_str(), vrName, descr);
    const std::string labelKey = nextHop + "." + descr;
    labels.emplace(labelKey, label);  // the first label found for a key stays
    Trace(4) << "::GetLabels() added label " << label << " keyed on " << labelKey;
  }
}
