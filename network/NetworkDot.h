// The label paths and the VPN map in Graphviz's language. Past
// kMostDrawnNodes nodes a picture would be unreadable: the paths picture then
// keeps the paths with a finding (broken, looping, leaving) and the VPN
// picture the VRFs named by a finding, and the picture says so.
#ifndef NETWORK_NETWORKDOT_H_
#define NETWORK_NETWORKDOT_H_

#include <string>
#include <vector>

#include "network/LabelPaths.h"
#include "network/VpnMap.h"
#include "report/ReportModel.h"

namespace network {

const size_t kMostDrawnNodes = 300;

// Routers as nodes, hops as arrows labelled with the labels they carry;
// broken and looping paths in colours of their own, with a legend.
std::string PathsDot(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const std::string& title);
// VRFs grouped by router, arrows from exporter to importer labelled with the
// route targets; an imported target nobody exports as a node of its own.
std::string VpnsDot(const VpnMap& map, const std::string& title);

}  // namespace network

#endif  // NETWORK_NETWORKDOT_H_
