#include "network/NetworkDot.h"

#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "report/ReportText.h"

namespace network {
namespace {

const char kForwarded[] = "#555555";
const char kBrokenColour[] = "#d62728";
const char kLoopColour[] = "#ff7f0e";
const char kLeavesColour[] = "#1f77b4";
const size_t kMostLabelsOnArrow = 4;

// A quoted ID of the language.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : ValidUtf8(text)) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c == '\n') {
      quoted += "\\n";
      continue;
    }
    quoted += c;
  }
  return quoted + "\"";
}

const char* ColourOf(PathEnd end) {
  switch (end) {
    case PathEnd::kBroken:
      return kBrokenColour;
    case PathEnd::kLoop:
      return kLoopColour;
    case PathEnd::kLeaves:
      return kLeavesColour;
    case PathEnd::kEgress:
      break;
  }
  return kForwarded;
}

std::string LabelList(const std::vector<std::string>& labels) {
  std::string text;
  for (size_t i = 0; i < labels.size() && i < kMostLabelsOnArrow; ++i) {
    text += (i ? ", " : "") + labels[i];
  }
  if (labels.size() > kMostLabelsOnArrow) {
    text += " +" + std::to_string(labels.size() - kMostLabelsOnArrow);
  }
  return text;
}

void Header(std::ostringstream& dot, const std::string& title, const std::string& note) {
  dot << "digraph network {\n"
      << "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=12, labelloc=t, label="
      << Quoted(note.empty() ? title : title + "\n" + note) << "];\n"
      << "  node [fontname=\"Helvetica\", fontsize=11];\n"
      << "  edge [fontname=\"Helvetica\", fontsize=9];\n";
}

// Arrows between the same two nodes in the same colour become one, labelled
// with all their labels.
struct Arrows {
  void Add(const std::string& from, const std::string& to, const char* colour,
           const std::string& label) {
    std::vector<std::string>& labels = arrows[{from, to, colour}];
    if (!label.empty()) labels.push_back(label);
  }
  // Graphviz 2.43 frees memory twice after laying out labelled arrows between
  // clusters; arrows of the VPN picture carry external labels instead.
  void Write(std::ostringstream& dot, bool dashedLeaves, const char* labelAttribute) const {
    for (const auto& [key, labels] : arrows) {
      const auto& [from, to, colour] = key;
      // Two VRFs that import each other's same targets get one arrow both ways.
      auto back = arrows.find({to, from, colour});
      const bool both = !dashedLeaves && back != arrows.end() && back->second == labels;
      if (both && to < from) continue;
      dot << "  " << Quoted(from) << " -> " << Quoted(to) << " [color=\"" << colour
          << "\", fontcolor=\"" << colour << "\", " << labelAttribute << "="
          << Quoted(LabelList(labels));
      if (dashedLeaves && std::string(colour) == kLeavesColour) dot << ", style=dashed";
      if (both) dot << ", dir=both";
      dot << "];\n";
    }
  }
  std::map<std::tuple<std::string, std::string, std::string>, std::vector<std::string>> arrows;
};

}  // namespace

std::string PathsDot(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const std::string& title) {
  std::set<uint32_t> all;
  for (const Path& path : found.paths) {
    for (uint32_t hop : path.hops) all.insert(found.entries[hop].router);
  }
  const bool onlyFindings = all.size() > kMostDrawnNodes;
  std::string note;
  size_t drawn = 0;
  for (const Path& path : found.paths) drawn += !onlyFindings || path.end != PathEnd::kEgress;
  if (onlyFindings) {
    note = "only the " + std::to_string(drawn) + " broken, looping and leaving paths of " +
           std::to_string(found.paths.size()) + " (" + std::to_string(all.size()) +
           " routers are too many to draw); pick a router with --device";
  }

  std::ostringstream dot;
  Header(dot, title, note);
  dot << "  node [shape=box, style=rounded];\n";
  std::set<std::string> routerNodes, addressNodes;
  Arrows arrows;
  for (const Path& path : found.paths) {
    if (onlyFindings && path.end == PathEnd::kEgress) continue;
    const char* colour = ColourOf(path.end);
    for (size_t i = 0; i < path.hops.size(); ++i) {
      const EntryRef& ref = found.entries[path.hops[i]];
      const report::LabelEntry& entry = routers[ref.router].labelEntries[ref.entry];
      const std::string& from = routers[ref.router].device;
      routerNodes.insert(from);
      std::string to;
      if (i + 1 < path.hops.size()) {
        to = routers[found.entries[path.hops[i + 1]].router].device;
      } else if (path.endRouter != kNone) {
        to = routers[path.endRouter].device;
        if (to == from && path.end == PathEnd::kEgress) continue;  // ends on its own router
        routerNodes.insert(to);
      } else if (path.endAddress != kNone) {
        to = found.graph.Address(path.endAddress);
        addressNodes.insert(to);
      } else {
        continue;
      }
      std::string label = ValidUtf8(entry.outLabel.value_or(""));
      if (i + 1 == path.hops.size() && path.end == PathEnd::kBroken) label += " (no entry)";
      arrows.Add(from, to, colour, label);
    }
  }
  for (const std::string& name : routerNodes) dot << "  " << Quoted(name) << ";\n";
  for (const std::string& address : addressNodes) {
    dot << "  " << Quoted(address) << " [shape=ellipse, style=dashed, color=\"" << kLeavesColour
        << "\"];\n";
  }
  arrows.Write(dot, true, "label");
  dot << "  subgraph cluster_legend {\n    label=\"legend\"; fontsize=10; color=\"#bbbbbb\";\n"
      << "    legend [shape=plaintext, style=\"\", label=<<table border=\"0\" cellspacing=\"2\">"
      << "<tr><td align=\"left\"><font color=\"" << kForwarded
      << "\">&#8594; forwarded, reaches its egress</font></td></tr>"
      << "<tr><td align=\"left\"><font color=\"" << kBrokenColour
      << "\">&#8594; broken: no entry for the label</font></td></tr>"
      << "<tr><td align=\"left\"><font color=\"" << kLoopColour
      << "\">&#8594; loop</font></td></tr>"
      << "<tr><td align=\"left\"><font color=\"" << kLeavesColour
      << "\">&#8594; leaves: next hop is no router of the run</font></td></tr>"
      << "</table>>];\n  }\n}\n";
  return dot.str();
}

std::string VpnsDot(const VpnMap& map, const std::string& title) {
  std::set<size_t> chosen;
  const bool onlyFindings = map.vrfs.size() > kMostDrawnNodes;
  if (onlyFindings) {
    for (const VpnFinding& finding : map.findings) chosen.insert(finding.vrfs.begin(), finding.vrfs.end());
  } else {
    for (size_t v = 0; v < map.vrfs.size(); ++v) chosen.insert(v);
  }
  std::string note;
  if (onlyFindings) {
    note = "only the " + std::to_string(chosen.size()) + " VRFs named by a finding, of " +
           std::to_string(map.vrfs.size());
  }
  std::ostringstream dot;
  Header(dot, title, note);
  dot << "  forcelabels=true;\n  node [shape=box, style=\"rounded,filled\", fillcolor=\"#eef3fb\"];\n";
  std::map<std::string, std::vector<size_t>> byDevice;
  for (size_t v : chosen) byDevice[map.vrfs[v].device].push_back(v);
  size_t cluster = 0;
  for (const auto& [device, vrfs] : byDevice) {
    dot << "  subgraph cluster_" << cluster++ << " {\n    label=" << Quoted(device)
        << "; style=rounded; color=\"#888888\";\n";
    for (size_t v : vrfs) {
      const VrfRef& vrf = map.vrfs[v];
      std::string label = vrf.vrf;
      if (vrf.virtualRouter != "default") label = vrf.virtualRouter + "/" + label;
      if (!vrf.routeDistinguisher.empty()) label += "\nRD " + vrf.routeDistinguisher;
      dot << "    " << Quoted(VrfName(vrf)) << " [label=" << Quoted(label) << "];\n";
    }
    dot << "  }\n";
  }
  Arrows arrows;
  for (const RouteTarget& target : map.routeTargets) {
    for (size_t importer : target.importers) {
      if (!chosen.count(importer)) continue;
      if (target.exporters.empty()) {
        const std::string node = "RT " + target.routeTarget;
        dot << "  " << Quoted(node) << " [shape=note, style=dashed, color=\"" << kBrokenColour
            << "\", fontcolor=\"" << kBrokenColour << "\"];\n";
        arrows.Add(node, VrfName(map.vrfs[importer]), kBrokenColour, "nobody exports");
      }
      for (size_t exporter : target.exporters) {
        if (exporter == importer || !chosen.count(exporter)) continue;
        arrows.Add(VrfName(map.vrfs[exporter]), VrfName(map.vrfs[importer]), kForwarded,
                   target.routeTarget);
      }
    }
  }
  arrows.Write(dot, false, "xlabel");
  dot << "  subgraph cluster_legend {\n    label=\"legend\"; fontsize=10; color=\"#bbbbbb\";\n"
      << "    legend [shape=plaintext, style=\"\", label=<<table border=\"0\" cellspacing=\"2\">"
      << "<tr><td align=\"left\"><font color=\"" << kForwarded
      << "\">&#8594; exporter to importer, by route target</font></td></tr>"
      << "<tr><td align=\"left\"><font color=\"" << kBrokenColour
      << "\">&#8594; imported, exported by nobody</font></td></tr>"
      << "</table>>];\n  }\n}\n";
  return dot.str();
}

}  // namespace network
