// The VRFs of one virtual router as VRF entries of the MPLS result: route
// targets, imposition entries (one per labelled route with a known outgoing
// interface) and the interfaces bound to the VRF.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "agents/UnisphereMPLSTelnet/CPelkUnisphereVRFEntry.h"
#include "host/ERXHost.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

using Names = std::vector<std::string>;
using Table = std::vector<Names>;

const char kCommand[] = "show ip vrf detail";

// Interfaces without an index are left out of the list.
CKelAtomVector* BoundInterfaces(const Names& interfaces, const std::string& vrfName,
                                const std::string& vrVrfContext,
                                const std::map<std::string, int>& ifDescr2ifIndex) {
  auto* bound = new CKelAtomVector(0);
  for (const std::string& ifName : interfaces) {
    std::string descr;
    ERXGetDescrFromVrfDescr(ifName.c_str(), vrVrfContext, descr);
    const auto found = ifDescr2ifIndex.find(descr);
    if (found == ifDescr2ifIndex.end()) {
      Trace(1) << "::ObtainVRFData() can not bind interface " << ifName << " to " << vrfName
               << " because ifIndex can not be found";
      continue;
    }
    bound->RAVAddToEnd(new CKelAtom(found->second));
  }
  return bound;
}

}  // namespace

void CPelkUnisphereMPLSTelnet::ObtainVRFData(CKelRecord* record, CPelkMPLSData* mplsData,
                                             std::map<std::string, int>& ifDescr2ifIndex,
                                             const std::string& vrName) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::ObtainVRFData(,,," << vrName << ")";
  const std::string* reply =
      CachedTelnetReply(DAGetMediationData(record), vrName.c_str(), nullptr, kCommand);
  if (!reply) {
    Trace(1) << "::ObtainVRFData no response for " << kCommand;
    return;
  }
  Names vrfNames;
  Names routeDistinguishers;
  Table interfaces;
  Table importRTs;
  Table exportRTs;
  ERXGetGeneralVRFInfo(reply->c_str(), vrfNames, routeDistinguishers, interfaces, importRTs,
                       exportRTs, false);
  const size_t vrfCount = std::min({vrfNames.size(), routeDistinguishers.size(), interfaces.size(),
                                    importRTs.size(), exportRTs.size()});
  for (size_t i = 0; i < vrfCount; ++i) {
    std::string vrfName = vrfNames[i];
    auto* vrf =
        new CPelkUnisphereVRFEntry(vrfName.c_str(), routeDistinguishers[i].c_str(), vrName.c_str());
    for (const std::string& rt : exportRTs[i]) vrf->AddExportRT(rt.c_str());
    for (const std::string& rt : importRTs[i]) vrf->AddImportRT(rt.c_str());
    if (!mplsData || mplsData->AddVRFDataEntry(vrf) != 1) {
      delete vrf;
      continue;
    }
    // From here on the result owns the entry; it is still ours to fill.
    const std::string vrVrfContext = vrName + ":" + vrfName;
    std::map<std::string, std::string> labels;
    GetLabels(record, labels, vrfName, vrName);
    if (labels.empty()) {
      Trace(1) << "::ObtainVRFData() no label information for " << vrfName << " found!!";
    } else {
      Names destinations;
      Names nextHops;
      Names routeIfNames;
      GetSpecificVRFInfo(record, vrfName, destinations, nextHops, routeIfNames, vrName);
      for (size_t j = 0; j < destinations.size(); ++j) {
        // Resolved even when no impositions are wanted: what is learnt here
        // also serves the interface binding below.
        const int ifIndex = FindVrfIfIndex(record, vrfName, destinations[j], nextHops[j],
                                           routeIfNames[j], ifDescr2ifIndex, vrName);
        if (!GatherLabels()) continue;
        if (ifIndex == -1) {
          Trace(1) << "::ObtainVRFData() failed to add label data because ifIndex for '"
                   << routeIfNames[j] << "' could not be found";
          continue;
        }
        std::string descr;
        ERXGetDescrFromVrfDescr(routeIfNames[j].c_str(), vrVrfContext, descr);
        const std::string labelKey = nextHops[j] + "." + descr;
        const auto label = labels.find(labelKey);
        if (label == labels.end()) {
          Trace(1) << "::ObtainVRFData() failed to add data because label for '" << labelKey
                   << "' could not be found";
          continue;
        }
        const char* labelText = label->second.c_str();
        vrf->AddVRFLabelEntry(new CPelkMPLSVRFLabelEntry(
            labelText, atoi(labelText), true, destinations[j].c_str(), ifIndex,
            routeIfNames[j].c_str(), nextHops[j].c_str(), "Active", "Primary", nullptr, -1));
        Trace(4) << "::ObtainVRFData() adding imposition data (label,dest,ifIndex,nexthop)=("
                 << labelText << "," << destinations[j] << "," << ifIndex << "," << nextHops[j]
                 << ")";
      }
    }
    vrf->SetInterfaceList(BoundInterfaces(interfaces[i], vrfName, vrVrfContext, ifDescr2ifIndex));
  }
}
