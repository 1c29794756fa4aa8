// The interface index of a VRF route's outgoing interface: from the virtual
// router's interface-description index when it knows the interface, else from
// the router's detail of that one route, which is then remembered in the index.
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "agents/UnisphereMPLSTelnet/PatternPaths.h"
#include "host/PelkPattern.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

// The first "IfIndx:" and "Intf:" after the route's next hop behind "NHop:".
// The next hop is used as an expression as it stands. The description may
// continue on the next line when that line starts with a non-blank.
CPelkPattern RouteDetailTree(const std::string& nextHop) {
  CPelkPattern root("entry", false, ".+");
  auto* children = new std::vector<CPelkPattern>;
  children->push_back(CPelkPattern("signitureHop", false, "[[:space:]]+NHop:[[:space:]]+"));
  children->push_back(CPelkPattern("nextHop", false, nextHop.c_str()));
  children->push_back(CPelkPattern("signitureNo", false, "[[:space:]]+IfIndx:[[:space:]]+"));
  children->push_back(CPelkPattern("interfaceNo", false, "[0-9]+"));
  children->push_back(CPelkPattern("signitureDescr", false, "[[:space:]]+Intf:[[:space:]]+"));
  children->push_back(CPelkPattern("interfaceDescr", false, "[^\n]+(\n[^[:space:]]+)?"));
  root.SetSubPattern(children);
  return root;
}

std::string WithoutBlanks(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (c != '\n' && c != '\r' && c != '\t' && c != ' ') kept += c;
  }
  return kept;
}

// The router may print the name with blanks, wrapped, or as part of a longer
// text, so only a substring check after dropping the blanks is safe.
bool DescriptionAgrees(const std::string& vrfDescr, const std::string& reported) {
  return WithoutBlanks(reported).find(WithoutBlanks(vrfDescr)) != std::string::npos;
}

std::string DetailCommand(const std::string& vrfName, const std::string& destination) {
  return "show ip route vrf " + vrfName + " " + destination.substr(0, destination.find('/')) +
         " detail";
}

}  // namespace

int CPelkUnisphereMPLSTelnet::FindVrfIfIndex(CKelRecord* record, const std::string& vrfName,
                                             const std::string& destination,
                                             const std::string& nextHop,
                                             const std::string& vrfDescr,
                                             std::map<std::string, int>& ifDescr2ifIndex,
                                             const std::string& vrName) {
  Trace(4) << "CPelkUnisphereMPLSTelnet::FindVrfIfIndex(" << vrfName << "," << destination << ","
           << nextHop << "," << vrfDescr << ",," << vrName << ")";
  int ifIndex = -1;
  std::string descr;
  ERXGetDescrFromVrfDescr(vrfDescr.c_str(), vrName + ":" + vrfName, descr);
  const auto known = ifDescr2ifIndex.find(descr);
  if (known != ifDescr2ifIndex.end()) return known->second;

  const std::string command = DetailCommand(vrfName, destination);
  CKelAtomVector* holder = nullptr;
  const char* reply = ERXGetTelnet4VR(record, m_Requester, vrName, command.c_str(), &holder);
  const std::unique_ptr<CKelAtomVector> replyOwner(holder);
  if (!reply) {
    Trace(1) << "::FindVrfIfIndex() no response from device for " << command;
    return ifIndex;
  }
  CPelkPattern root = RouteDetailTree(nextHop);
  if (!root.IsValid()) {
    CKelError(-220440, kErrorSource, 1414, "Failed to compile!");
    return ifIndex;
  }
  Trace(4) << "::FindVrfIfIndex() compiled ok, but does it match?";
  if (!root.Match(reply)) {
    Trace(1) << "::FindVrfIfIndex() failed to match expected telnet response (no vrf data?)!";
    return ifIndex;
  }
  const std::string ifIndexText = FieldText(root, "entry[0].interfaceNo[0]");
  const std::string descrText = FieldText(root, "entry[0].interfaceDescr[0]");
  Trace(4) << "::FindVrfIfIndex() RESULT: (ifIndex,ifDescr)=(" << ifIndexText << "," << descrText
           << ")";
  if (ifIndexText.empty() || descrText.empty()) {
    Trace(1) << "::FindVrfIfIndex() failed to find ifIndex because size(ifIndex,ifDescr)=("
             << ifIndexText.size() << "," << descrText.size() << ")";
    return ifIndex;
  }
  if (!DescriptionAgrees(vrfDescr, descrText)) {
    Trace(1) << "::FindVrfIfIndex() failed to find ifIndex because the description consistancy "
                "check has failed!";
    return ifIndex;
  }
  ifIndex = atoi(ifIndexText.c_str());
  ifDescr2ifIndex.insert({descr, ifIndex});
  return ifIndex;
}
