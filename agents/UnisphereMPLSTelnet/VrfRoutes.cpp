// "show ip route vrf NAME": the routes of one VRF as three parallel lists
// (destination prefix, bare next-hop address, outgoing-interface text).
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "agents/UnisphereMPLSTelnet/PatternPaths.h"
#include "host/PelkPattern.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

const char kCommand[] = "show ip route vrf ";

// A route is one line: prefix, type word, next hop (the router may print
// characters right behind it), N/N, interface text to the line end. A long
// interface name continues on the next line after 20 blanks, 30 characters of
// other columns and at least five blanks.
CPelkPattern RouteTree() {
  CPelkPattern root(
      "destEntry", true,
      "(^|\n)([0-9]{1,3}\\.){3}[0-9]{1,3}/[0-9]{1,2}[[:space:]]+[[:alpha:]]+[[:space:]]+"
      "([0-9]{1,3}\\.){3}[0-9]{1,3}[^[:space:]]*[[:space:]]+[0-9]+/[0-9]+[[:space:]]+"
      "[^\n\r]+([\n\r]+ {20}.{30} {5,}[^\n\r]+)?");
  const CPelkPattern space("space", false, "[[:space:]]+");
  auto* children = new std::vector<CPelkPattern>;
  children->push_back(CPelkPattern("beginning", false, "(^|\n)"));
  children->push_back(
      CPelkPattern("destination", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}/[0-9]{1,2}"));
  children->push_back(space);
  children->push_back(CPelkPattern("type", false, "[[:alpha:]]+"));
  children->push_back(space);
  children->push_back(CPelkPattern("nexthop", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}"));
  children->push_back(space);
  children->push_back(CPelkPattern("metric", false, "[0-9]+/[0-9]+"));
  children->push_back(space);
  children->push_back(CPelkPattern("ifName", false, "[^\n\r]+"));

  CPelkPattern wrapped("wrapped", false, "([\n\r]+ {20}.{30} {5,}[^\n\r]+)?");
  auto* wrappedChildren = new std::vector<CPelkPattern>;
  wrappedChildren->push_back(CPelkPattern("label", false, "([\n\r]+ {20}.{30} {5,})?"));
  wrappedChildren->push_back(CPelkPattern("ifNameRest", false, "([^\n\r]+)?"));
  wrapped.SetSubPattern(wrappedChildren);
  children->push_back(wrapped);

  root.SetSubPattern(children);
  return root;
}

}  // namespace

void CPelkUnisphereMPLSTelnet::GetSpecificVRFInfo(CKelRecord* record, const std::string& vrfName,
                                                  std::vector<std::string>& destinations,
                                                  std::vector<std::string>& nextHops,
                                                  std::vector<std::string>& interfaces,
                                                  const std::string& vrName) {
  Trace(4) << "CPelkUnisphereMPLSTelnet::GetSpecificVRFInfo(," << vrfName << ",,," << vrName << ")";
  const std::string* reply =
      CachedTelnetReply(DAGetMediationData(record), vrName.c_str(), vrfName.c_str(), kCommand);
  if (!reply) {
    Trace(1) << "::GetSpecificVRFInfo() no response from device for " << kCommand << vrfName
             << " on " << vrName;
    return;
  }
  CPelkPattern root = RouteTree();
  const int entries =
      MatchTelnetTable(root, "destEntry", *reply, "GetSpecificVRFInfo", 1069, "no vrf data?",
                       false);
  for (int i = 0; i < entries; ++i) {
    const std::string entry = IndexedPath("destEntry", i);
    Trace(4) << "::GetSpecificVRFInfo() table entry found of (" << i << ")";
    Trace(4) << TracedField{root, entry};
    const std::string destination = FieldText(root, entry, "destination[0]");
    const std::string nextHop = FieldText(root, entry, "nexthop[0]");
    std::string ifName = FieldText(root, entry, "ifName[0]");
    const std::string ifNameRest = FieldText(root, entry, "wrapped[0].ifNameRest[0]");
    if (!ifNameRest.empty()) ifName += "\n" + ifNameRest;
    std::string joined;
    ERXStripNewLineOutInterfaceDescr(ifName, joined, false);
    Trace(4) << "::GetSpecificVRFInfo() RESULTS: (destName,nextHop,ifName)=('" << destination
             << "','" << nextHop << "','" << joined << "')";
    if (destination.empty() || nextHop.empty() || joined.empty()) {
      Trace(4) << "::GetSpecificVRFInfo() failed to add vrfInfo for this item because "
               << "size(destName,nextHop,ifName)=(" << destination.size() << "," << nextHop.size()
               << "," << joined.size() << ")";
      continue;
    }
    destinations.push_back(destination);
    nextHops.push_back(nextHop);
    interfaces.push_back(joined);
  }
}
