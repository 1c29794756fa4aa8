// "show mpls interface": the MPLS interfaces of one virtual router that show an
// IP address, as two parallel lists (name as printed, first IPv4 address).
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "agents/UnisphereMPLSTelnet/PatternPaths.h"
#include "host/PelkPattern.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

const char kCommand[] = "show mpls interface";

// One record: "Interface NAME  Up|Down", then the first address under the
// "IP interfaces on this MPLS interface:" heading, up to its line end.
CPelkPattern MplsInterfaceTree() {
  CPelkPattern root("tableEntry", true,
                    std::vector<std::string>{"(^|\n)Interface +", "[^ ]+", " +(Up|Down)[ ]*",
                                             "([0-9]{1,3}\\.){3}[0-9]{1,3}",
                                             "(/[0-9]{1,2})? *\n"});
  auto* children = new std::vector<CPelkPattern>;
  children->push_back(CPelkPattern("sigIfName", false, "(^|\n)Interface +"));
  children->push_back(CPelkPattern("ifName", false, "[^ ]+"));
  children->push_back(
      CPelkPattern("sigIPAddr", false, "IP interfaces on this MPLS interface:[[:space:]]+"));
  children->push_back(CPelkPattern("ipAddr", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}"));
  root.SetSubPattern(children);
  return root;
}

}  // namespace

void CPelkUnisphereMPLSTelnet::GetMajorIfNameAndIp(CKelRecord* record,
                                                   std::vector<std::string>& ifNames,
                                                   std::vector<std::string>& ipAddrs,
                                                   const std::string& vrName) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::GetMajorIfNameAndIp(,,," << vrName << ")";
  const std::string* reply =
      CachedTelnetReply(DAGetMediationData(record), vrName.c_str(), nullptr, kCommand);
  if (!reply) {
    Trace(1) << "::GetMajorIfNameAndIp() no response to telnet command " << kCommand;
    return;
  }
  CPelkPattern root = MplsInterfaceTree();
  const int entries = MatchTelnetTable(root, "tableEntry", *reply, "GetMajorIfNameAndIp", 415,
                                       "no mpls interface data?", true);
  for (int i = 0; i < entries; ++i) {
    const std::string entry = IndexedPath("tableEntry", i);
    Trace(4) << "::GetMajorIfNameAndIp() table entry found of (" << i << ")";
    Trace(4) << TracedField{root, entry};
    const std::string ifName = FieldText(root, entry, "ifName[0]");
    const std::string ipAddr = FieldText(root, entry, "ipAddr[0]");
    Trace(4) << "::GetMajorIfNameAndIp() RESULT=(ifName,ipAddr)=('" << ifName << "', '" << ipAddr
             << "')";
    if (ifName.empty() || ipAddr.empty()) {
      Trace(1) << "::GetMajorIfNameAndIp() failed to add ifName info because size(ifName,ipAddr)=("
               << ifName.size() << ", " << ipAddr.size() << ")";
      continue;
    }
    ifNames.push_back(ifName);
    ipAddrs.push_back(ipAddr);
  }
}
