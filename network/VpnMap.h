// Which VRFs of a run can reach which, from their route targets: VRF A
// reaches VRF B when A imports a target that B exports. VRFs that reach one
// another, directly or through others, form a VPN, named by its shape; the
// findings are what an engineer would want fixed.
//
//   network::VpnMap map = network::MapVpns(run.routers);
//   network::WriteVpnsText(map, std::cout);
#ifndef NETWORK_VPNMAP_H_
#define NETWORK_VPNMAP_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "report/ReportModel.h"

namespace network {

struct VrfRef {
  std::string device;
  std::string virtualRouter;
  std::string vrf;
  std::string routeDistinguisher;  // empty when not set
  bool operator<(const VrfRef& other) const;
  bool operator==(const VrfRef& other) const;
};

struct RouteTarget {
  std::string routeTarget;
  std::vector<size_t> exporters;  // indexes in VpnMap::vrfs
  std::vector<size_t> importers;
};

struct Vpn {
  // "full-mesh": every VRF reaches every other; "hub-and-spoke": hubs and
  // spokes reach each other, no two of one side do; "partial": any other
  // shape; "isolated": VRFs that reach nobody and that nobody reaches.
  std::string kind;
  std::vector<size_t> vrfs;
  std::vector<size_t> hubs;  // hub-and-spoke only
};

struct VpnFinding {
  // "dangling-import": imported, exported by no VRF of the run;
  // "unused-export": exported, imported by none;
  // "apart-namesakes": VRFs of one name on different routers in different VPNs;
  // "duplicate-rd": one route distinguisher on two VRFs of a router.
  std::string kind;
  std::string routeTarget;         // dangling-import, unused-export
  std::string routeDistinguisher;  // duplicate-rd
  std::vector<size_t> vrfs;
};

struct VpnMap {
  std::vector<VrfRef> vrfs;  // by device, virtual router, name
  std::vector<RouteTarget> routeTargets;
  std::vector<Vpn> vpns;
  std::vector<VpnFinding> findings;
  std::vector<std::vector<size_t>> reaches;  // by VRF: the VRFs it reaches
};

VpnMap MapVpns(const std::vector<report::Report>& routers);

// "pe-a/red", "pe-a:vr2/green" outside the default virtual router.
std::string VrfName(const VrfRef& vrf);
// Lists of VRFs name the first few and the count past eight, all of them when
// `full`; control characters are escaped, as in every line of text.
std::string FindingLine(const VpnMap& map, const VpnFinding& finding, bool full = false);

void WriteVpnsText(const VpnMap& map, std::ostream& out, bool full = false);
// {"run", "routeTargets": [{"routeTarget", "exporters", "importers"}], "vpns": [{"kind",
//  "vrfs", "hubs"?}], "findings": [{"kind", "routeTarget", "routeDistinguisher"?, "vrfs"}]},
// each VRF as {"device", "virtualRouter", "vrf"}.
void WriteVpnsJson(int64_t run, const VpnMap& map, std::ostream& out);

}  // namespace network

#endif  // NETWORK_VPNMAP_H_
