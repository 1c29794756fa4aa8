#include "network/VpnMap.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <tuple>

#include <nlohmann/json.hpp>

#include "report/ReportText.h"
#include "store/DeviceChanges.h"

namespace network {
namespace {

using Json = nlohmann::ordered_json;

struct NaturalOrder {
  bool operator()(const std::string& a, const std::string& b) const {
    return store::NaturalLess(a, b);
  }
};

struct Targets {
  std::vector<std::string> imports, exports;
};

size_t Root(std::vector<size_t>& parent, size_t at) {
  while (parent[at] != at) at = parent[at] = parent[parent[at]];
  return at;
}

bool Reaches(const VpnMap& map, size_t a, size_t b) {
  return std::binary_search(map.reaches[a].begin(), map.reaches[a].end(), b);
}

bool FullMesh(const VpnMap& map, const std::vector<size_t>& group) {
  for (size_t a : group) {
    for (size_t b : group) {
      if (a != b && !Reaches(map, a, b)) return false;
    }
  }
  return true;
}

bool ReachWithin(const VpnMap& map, const std::vector<size_t>& members) {
  for (size_t a : members) {
    for (size_t b : members) {
      if (a != b && Reaches(map, a, b)) return true;
    }
  }
  return false;
}

bool ReachBothWays(const VpnMap& map, const std::vector<size_t>& side,
                   const std::vector<size_t>& other) {
  for (size_t a : side) {
    for (size_t b : other) {
      if (!Reaches(map, a, b) || !Reaches(map, b, a)) return false;
    }
  }
  return true;
}

// Full mesh, hub and spoke or partial, for a group of two or more VRFs.
Vpn Shape(const VpnMap& map, const std::vector<size_t>& group) {
  Vpn vpn{"partial", group, {}};
  if (FullMesh(map, group)) {
    vpn.kind = "full-mesh";
    return vpn;
  }
  // Hubs and spokes: the side of the first VRF and the other side, every
  // pair across reaching each other both ways and no pair within a side.
  std::vector<size_t> side(1, group.front()), other;
  for (size_t v : group) {
    if (v != group.front()) (Reaches(map, group.front(), v) ? other : side).push_back(v);
  }
  if (!ReachBothWays(map, side, other)) return vpn;
  if (other.empty() || ReachWithin(map, side) || ReachWithin(map, other)) return vpn;
  vpn.kind = "hub-and-spoke";
  vpn.hubs = side.size() <= other.size() ? side : other;
  return vpn;
}

void AddFindings(VpnMap& map, const std::vector<size_t>& groupOf) {
  for (const RouteTarget& target : map.routeTargets) {
    if (target.exporters.empty()) {
      map.findings.push_back({"dangling-import", target.routeTarget, "", target.importers});
    }
  }
  for (const RouteTarget& target : map.routeTargets) {
    if (target.importers.empty()) {
      map.findings.push_back({"unused-export", target.routeTarget, "", target.exporters});
    }
  }
  std::map<std::string, std::vector<size_t>> byName;
  for (size_t v = 0; v < map.vrfs.size(); ++v) byName[map.vrfs[v].vrf].push_back(v);
  std::vector<std::pair<size_t, size_t>> apart;
  for (const auto& [name, vrfs] : byName) {
    for (size_t i = 0; i < vrfs.size(); ++i) {
      for (size_t j = i + 1; j < vrfs.size(); ++j) {
        const size_t a = vrfs[i], b = vrfs[j];
        if (map.vrfs[a].device != map.vrfs[b].device && groupOf[a] != groupOf[b]) {
          apart.emplace_back(a, b);
        }
      }
    }
  }
  std::sort(apart.begin(), apart.end());
  for (const auto& [a, b] : apart) map.findings.push_back({"apart-namesakes", "", "", {a, b}});
  std::map<std::pair<std::string, std::string>, std::vector<size_t>> byDistinguisher;
  for (size_t v = 0; v < map.vrfs.size(); ++v) {
    const VrfRef& vrf = map.vrfs[v];
    if (!vrf.routeDistinguisher.empty()) {
      byDistinguisher[{vrf.device, vrf.routeDistinguisher}].push_back(v);
    }
  }
  for (auto& [key, vrfs] : byDistinguisher) {
    if (vrfs.size() > 1) map.findings.push_back({"duplicate-rd", "", key.second, vrfs});
  }
}

}  // namespace

bool VrfRef::operator<(const VrfRef& o) const {
  return std::tie(device, virtualRouter, vrf) < std::tie(o.device, o.virtualRouter, o.vrf);
}

bool VrfRef::operator==(const VrfRef& o) const {
  return std::tie(device, virtualRouter, vrf) == std::tie(o.device, o.virtualRouter, o.vrf);
}

namespace {

// Every VRF of the run with its route targets, in VRF order.
std::vector<std::pair<VrfRef, Targets>> FoundVrfs(const std::vector<report::Report>& routers) {
  std::vector<std::pair<VrfRef, Targets>> found;
  for (const report::Report& router : routers) {
    for (const report::Vrf& vrf : router.vrfs) {
      found.push_back(
          {{ValidUtf8(router.device), ValidUtf8(vrf.virtualRouter.value_or("default")),
            ValidUtf8(vrf.name.value_or("")), ValidUtf8(vrf.routeDistinguisher.value_or(""))},
           {vrf.importRouteTargets.value_or(std::vector<std::string>()),
            vrf.exportRouteTargets.value_or(std::vector<std::string>())}});
    }
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return found;
}

// The VPNs of the groups that `parent` joined, each VRF's group in `groupOf`:
// groups of two or more by their members, then the isolated VRFs as one.
void AddVpns(VpnMap& map, std::vector<size_t>& parent, std::vector<size_t>& groupOf) {
  std::map<size_t, std::vector<size_t>> groups;  // by root; members in VRF order
  for (size_t v = 0; v < map.vrfs.size(); ++v) groups[groupOf[v] = Root(parent, v)].push_back(v);
  std::vector<std::vector<size_t>> ordered;
  ordered.reserve(groups.size());
  for (auto& [root, members] : groups) ordered.push_back(std::move(members));
  std::sort(ordered.begin(), ordered.end());
  Vpn isolated{"isolated", {}, {}};
  for (const std::vector<size_t>& members : ordered) {
    if (members.size() == 1) {
      isolated.vrfs.push_back(members.front());
    } else {
      map.vpns.push_back(Shape(map, members));
    }
  }
  if (!isolated.vrfs.empty()) map.vpns.push_back(isolated);
}

}  // namespace

VpnMap MapVpns(const std::vector<report::Report>& routers) {
  VpnMap map;
  const std::vector<std::pair<VrfRef, Targets>> found = FoundVrfs(routers);

  std::map<std::string, RouteTarget, NaturalOrder> targets;
  for (size_t v = 0; v < found.size(); ++v) {
    map.vrfs.push_back(found[v].first);
    for (const std::string& rt : found[v].second.exports) targets[rt].exporters.push_back(v);
    for (const std::string& rt : found[v].second.imports) targets[rt].importers.push_back(v);
  }
  map.reaches.resize(map.vrfs.size());
  std::vector<size_t> parent(map.vrfs.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (auto& [name, target] : targets) {
    target.routeTarget = ValidUtf8(name);
    for (auto* list : {&target.exporters, &target.importers}) {
      list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    for (size_t importer : target.importers) {
      for (size_t exporter : target.exporters) {
        if (importer == exporter) continue;
        map.reaches[importer].push_back(exporter);
        parent[Root(parent, importer)] = Root(parent, exporter);
      }
    }
    map.routeTargets.push_back(target);
  }
  for (std::vector<size_t>& reached : map.reaches) {
    std::sort(reached.begin(), reached.end());
    reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
  }

  std::vector<size_t> groupOf(map.vrfs.size());
  AddVpns(map, parent, groupOf);
  AddFindings(map, groupOf);
  return map;
}

std::string VrfName(const VrfRef& vrf) {
  std::string name = vrf.device;
  if (vrf.virtualRouter != "default") name += ":" + vrf.virtualRouter;
  return name + "/" + vrf.vrf;
}

namespace {

// A list of thousands of VRFs is no answer to read: past kMostNamesListed
// the count and the first few, unless all are asked for.
const size_t kMostNamesListed = 8;
const size_t kFirstNamesOfMany = 5;

std::string Names(const VpnMap& map, const std::vector<size_t>& vrfs, bool full) {
  const bool all = full || vrfs.size() <= kMostNamesListed;
  std::string names;
  for (size_t i = 0; i < vrfs.size() && (all || i < kFirstNamesOfMany); ++i) {
    names += (names.empty() ? "" : ", ") + VrfName(map.vrfs[vrfs[i]]);
  }
  if (!all) {
    names = std::to_string(vrfs.size()) + " VRFs: " + names + " and " +
            std::to_string(vrfs.size() - kFirstNamesOfMany) + " more";
  }
  return names.empty() ? "none" : names;
}

// Router text on the operator's terminal: control characters escaped, as the
// report and the diff write them.
std::string Readable(const std::string& text) {
  std::string shown;
  AppendReadable(shown, text);
  return shown;
}

Json VrfsJson(const VpnMap& map, const std::vector<size_t>& vrfs) {
  Json list = Json::array();
  for (size_t v : vrfs) {
    const VrfRef& vrf = map.vrfs[v];
    list.push_back(
        {{"device", vrf.device}, {"virtualRouter", vrf.virtualRouter}, {"vrf", vrf.vrf}});
  }
  return list;
}

std::string FindingText(const VpnMap& map, const VpnFinding& finding, bool full) {
  if (finding.kind == "dangling-import") {
    return "route target " + finding.routeTarget +
           " imported but exported by no VRF: " + Names(map, finding.vrfs, full);
  }
  if (finding.kind == "unused-export") {
    return "route target " + finding.routeTarget +
           " exported but imported by no VRF: " + Names(map, finding.vrfs, full);
  }
  if (finding.kind == "duplicate-rd") {
    return "route distinguisher " + finding.routeDistinguisher +
           " on more than one VRF: " + Names(map, finding.vrfs, full);
  }
  return "VRFs of one name that cannot reach each other: " + Names(map, finding.vrfs, full);
}

}  // namespace

std::string FindingLine(const VpnMap& map, const VpnFinding& finding, bool full) {
  return Readable(FindingText(map, finding, full));
}

void WriteVpnsText(const VpnMap& map, std::ostream& out, bool full) {
  out << "route targets\n";
  for (const RouteTarget& target : map.routeTargets) {
    out << "  "
        << Readable(target.routeTarget + "  exported by " + Names(map, target.exporters, full) +
                    "; imported by " + Names(map, target.importers, full))
        << "\n";
  }
  out << "vpns\n";
  for (const Vpn& vpn : map.vpns) {
    out << "  " << vpn.kind << ": ";
    if (vpn.kind == "hub-and-spoke") {
      std::vector<size_t> spokes;
      for (size_t v : vpn.vrfs) {
        if (!std::binary_search(vpn.hubs.begin(), vpn.hubs.end(), v)) spokes.push_back(v);
      }
      out << Readable("hubs " + Names(map, vpn.hubs, full) + "; spokes " + Names(map, spokes, full))
          << "\n";
    } else {
      out << Readable(Names(map, vpn.vrfs, full)) << "\n";
    }
  }
  out << "findings\n";
  for (const VpnFinding& finding : map.findings) {
    out << "  " << FindingLine(map, finding, full) << "\n";
  }
  if (map.findings.empty()) out << "  none\n";
}

void WriteVpnsJson(int64_t run, const VpnMap& map, std::ostream& out) {
  Json targets = Json::array();
  for (const RouteTarget& target : map.routeTargets) {
    targets.push_back({{"routeTarget", target.routeTarget},
                       {"exporters", VrfsJson(map, target.exporters)},
                       {"importers", VrfsJson(map, target.importers)}});
  }
  Json vpns = Json::array();
  for (const Vpn& vpn : map.vpns) {
    Json entry = {{"kind", vpn.kind}, {"vrfs", VrfsJson(map, vpn.vrfs)}};
    if (vpn.kind == "hub-and-spoke") entry["hubs"] = VrfsJson(map, vpn.hubs);
    vpns.push_back(std::move(entry));
  }
  Json findings = Json::array();
  for (const VpnFinding& finding : map.findings) {
    Json entry = {
        {"kind", finding.kind},
        {"routeTarget", finding.routeTarget.empty() ? Json(nullptr) : Json(finding.routeTarget)}};
    if (finding.kind == "duplicate-rd") entry["routeDistinguisher"] = finding.routeDistinguisher;
    entry["vrfs"] = VrfsJson(map, finding.vrfs);
    findings.push_back(std::move(entry));
  }
  out << Json{{"run", run},
              {"routeTargets", std::move(targets)},
              {"vpns", std::move(vpns)},
              {"findings", std::move(findings)}}
             .dump(2)
      << "\n";
}

}  // namespace network
