// The label paths and the VPN map in Graphviz's language. A picture holds at
// most kMostDrawnNodes nodes and kMostDrawnArrows arrows, whatever the size of
// the network: what has a finding is chosen first, what is alike is drawn
// once (hops between the same two nodes of paths that end alike are one
// arrow with a count; a large VPN is one box), and the title says what was
// left out. What is not drawn is counted, never built.
#ifndef NETWORK_NETWORKDOT_H_
#define NETWORK_NETWORKDOT_H_

#include <string>
#include <vector>

#include "network/LabelPaths.h"
#include "network/VpnMap.h"
#include "report/ReportModel.h"

namespace network {

const size_t kMostDrawnNodes = 300;
const size_t kMostDrawnArrows = 2000;
const size_t kMostVrfsOneByOne = 20;  // a larger VPN is one box

// Routers as nodes, hops as arrows labelled with the labels they carry;
// broken and looping paths in colours of their own, with a legend.
std::string PathsDot(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const std::string& title);
// VRFs grouped by router and route targets as nodes: an arrow from a VRF to
// each target it exports and from each target to the VRFs that import it; an
// imported target nobody exports in red.
std::string VpnsDot(const VpnMap& map, const std::string& title);

}  // namespace network

#endif  // NETWORK_NETWORKDOT_H_
