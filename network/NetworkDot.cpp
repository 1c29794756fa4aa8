#include "network/NetworkDot.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "report/ReportText.h"

namespace network {
namespace {

const char kForwarded[] = "#555555";
const char kBrokenColour[] = "#d62728";
const char kLoopColour[] = "#ff7f0e";
const char kLeavesColour[] = "#1f77b4";
const size_t kMostLabelsOnArrow = 4;
const size_t kMostNamesInBox = 3;

// Router text as Graphviz must be given it to draw it as it is and write
// well-formed XML: control characters escaped as the text outputs do, the
// two characters XML 1.0 forbids among the valid ones replaced, and '&'
// written as an entity, since Graphviz reads entities in names and labels.
std::string Shown(const std::string& text) {
  std::string readable;
  AppendReadable(readable, text);
  std::string shown;
  for (size_t i = 0; i < readable.size(); ++i) {
    if (readable.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < readable.size() &&
        (readable[i + 2] == '\xBE' || readable[i + 2] == '\xBF')) {
      shown += "\xEF\xBF\xBD";  // U+FFFE and U+FFFF become U+FFFD
      i += 2;
    } else if (readable[i] == '&') {
      shown += "&amp;";
    } else {
      shown += readable[i];
    }
  }
  return shown;
}

// A quoted ID of the language, of text already Shown; '\n' breaks the line.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c == '\n') {
      quoted += "\\n";
      continue;
    }
    quoted += c;
  }
  return quoted + "\"";
}

std::string Count(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
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

void Header(std::ostringstream& dot, const std::string& title, const std::string& note) {
  dot << "digraph network {\n"
      << "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=12, labelloc=t, label="
      << Quoted(note.empty() ? Shown(title) : Shown(title) + "\n" + note) << "];\n"
      << "  node [fontname=\"Helvetica\", fontsize=11];\n"
      << "  edge [fontname=\"Helvetica\", fontsize=9];\n";
}

const std::string kBounds = "a picture holds at most " + std::to_string(kMostDrawnNodes) +
                            " nodes and " + std::to_string(kMostDrawnArrows) + " arrows";

// What the picture holds so far, so that each addition is checked against
// the bounds before anything of it is built.
class Budget {
 public:
  bool Fits(size_t nodes, size_t arrows) const {
    return nodes_ + nodes <= kMostDrawnNodes && arrows_ + arrows <= kMostDrawnArrows;
  }
  void Take(size_t nodes, size_t arrows) {
    nodes_ += nodes;
    arrows_ += arrows;
  }

 private:
  size_t nodes_ = 0, arrows_ = 0;
};

// ---- label paths ----

// One arrow of the paths picture: every hop between the same two nodes of
// paths that end alike.
struct PathArrow {
  PathArrow(uint32_t fromNode, uint32_t toNode, PathEnd pathEnd)
      : from(fromNode), to(toNode), end(pathEnd) {}

  uint32_t from, to;  // node ids: routers, then addresses
  PathEnd end;
  size_t paths = 0;
  size_t lastPath = SIZE_MAX;
  std::vector<std::string> labels;  // distinct, at most kMostLabelsOnArrow
  bool moreLabels = false;

  void Add(size_t path, const std::string& label) {
    if (path != lastPath) ++paths;
    lastPath = path;
    if (label.empty() || std::find(labels.begin(), labels.end(), label) != labels.end()) return;
    if (labels.size() < kMostLabelsOnArrow) {
      labels.push_back(label);
    } else {
      moreLabels = true;
    }
  }
  std::string Label() const {
    std::string text;
    for (const std::string& label : labels) text += (text.empty() ? "" : ", ") + label;
    if (moreLabels) text += ", ...";
    if (paths > labels.size() || moreLabels) {
      text += (text.empty() ? "" : " ") + std::string("(") + std::to_string(paths) + " paths)";
    }
    return text;
  }
};

struct Step {
  uint32_t from, to;
  std::string label;
};

// The arrows a path draws, as node ids.
void StepsOf(const std::vector<report::Report>& routers, const LabelPaths& found, const Path& path,
             std::vector<Step>& steps, std::vector<uint32_t>& nodes) {
  const uint32_t addressBase = static_cast<uint32_t>(routers.size());
  steps.clear();
  nodes.clear();
  for (size_t i = 0; i < path.hops.size(); ++i) {
    const EntryRef& ref = found.entries[path.hops[i]];
    nodes.push_back(ref.router);
    uint32_t to;
    if (i + 1 < path.hops.size()) {
      to = found.entries[path.hops[i + 1]].router;
    } else if (path.endRouter != kNone) {
      to = path.endRouter;
      if (to == ref.router && path.end == PathEnd::kEgress) continue;  // ends on its own router
    } else if (path.endAddress != kNone) {
      to = addressBase + path.endAddress;
    } else {
      continue;
    }
    nodes.push_back(to);
    std::string label = routers[ref.router].labelEntries[ref.entry].outLabel.value_or("");
    if (i + 1 == path.hops.size() && path.end == PathEnd::kBroken) label += " (no entry)";
    steps.push_back({ref.router, to, std::move(label)});
  }
  std::sort(nodes.begin(), nodes.end());
  nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
}

uint64_t ArrowKey(uint32_t from, uint32_t to, PathEnd end) {
  return (static_cast<uint64_t>(from) << 34) ^ (static_cast<uint64_t>(to) << 2) ^
         static_cast<uint64_t>(end);
}

std::string LeftOutPaths(const size_t (&leftOut)[4], size_t total) {
  const size_t count = leftOut[0] + leftOut[1] + leftOut[2] + leftOut[3];
  if (count == 0) return "";
  std::string kinds;
  const char* names[4] = {"broken", "looping", "leaving", "reaching their egress"};
  for (int end = 0; end < 4; ++end) {
    if (!leftOut[end]) continue;
    kinds += (kinds.empty() ? "" : ", ") + std::to_string(leftOut[end]) + " " + names[end];
  }
  return "left out: " + std::to_string(count) + " of " + Count(total, "path", "paths") + " (" +
         kinds + "); " + kBounds + ", findings first; --device NAME picks one router's paths";
}

// ---- VPN map ----

// A VPN drawn VRF by VRF, or as one box when it is too large to read so.
struct Unit {
  const Vpn* vpn;
  bool named;  // a VRF of it is named by a finding
};

enum Direction : uint8_t { kExports = 1, kImports = 2 };

struct TargetLink {
  size_t target;  // index in map.routeTargets
  uint8_t direction;
};

std::string BoxLabel(const VpnMap& map, const Vpn& vpn, const std::vector<size_t>& targets) {
  std::string label = vpn.kind + " VPN of " + std::to_string(vpn.vrfs.size()) + " VRFs";
  if (vpn.kind == "isolated") label = std::to_string(vpn.vrfs.size()) + " isolated VRFs";
  if (vpn.kind == "hub-and-spoke") {
    label += "\n" + Count(vpn.hubs.size(), "hub", "hubs") + ", " +
             Count(vpn.vrfs.size() - vpn.hubs.size(), "spoke", "spokes");
  }
  if (!targets.empty()) {
    label += "\nRT ";
    for (size_t i = 0; i < targets.size() && i < kMostNamesInBox; ++i) {
      label += (i ? ", " : "") + Shown(map.routeTargets[targets[i]].routeTarget);
    }
    if (targets.size() > kMostNamesInBox) {
      label += " and " + std::to_string(targets.size() - kMostNamesInBox) + " more";
    }
  }
  for (size_t i = 0; i < vpn.vrfs.size() && i < kMostNamesInBox; ++i) {
    label += (i ? ", " : "\n") + Shown(VrfName(map.vrfs[vpn.vrfs[i]]));
  }
  if (vpn.vrfs.size() > kMostNamesInBox) {
    label += " and " + std::to_string(vpn.vrfs.size() - kMostNamesInBox) + " more";
  }
  return label;
}

// Each VRF's route targets, both ways, with the direction they are linked.
std::vector<std::vector<TargetLink>> LinksOfVrfs(const VpnMap& map) {
  std::vector<std::vector<TargetLink>> links(map.vrfs.size());
  for (size_t t = 0; t < map.routeTargets.size(); ++t) {
    const RouteTarget& target = map.routeTargets[t];
    // A target exported but imported by nobody links nothing; one imported
    // and exported by nobody is a finding drawn as a node of its own.
    if (!target.importers.empty()) {
      for (size_t v : target.exporters) links[v].push_back({t, kExports});
    }
    for (size_t v : target.importers) {
      if (!links[v].empty() && links[v].back().target == t) {
        links[v].back().direction |= kImports;
      } else {
        links[v].push_back({t, kImports});
      }
    }
  }
  return links;
}

// The VPNs, those with a VRF named by a finding first.
std::vector<Unit> UnitsFindingsFirst(const VpnMap& map) {
  std::vector<char> named(map.vrfs.size(), 0);
  for (const VpnFinding& finding : map.findings) {
    for (size_t v : finding.vrfs) named[v] = 1;
  }
  std::vector<Unit> units;
  for (const Vpn& vpn : map.vpns) {
    units.push_back({&vpn, std::any_of(vpn.vrfs.begin(), vpn.vrfs.end(),
                                       [&named](size_t v) { return named[v] != 0; })});
  }
  std::stable_sort(units.begin(), units.end(),
                   [](const Unit& a, const Unit& b) { return a.named > b.named; });
  return units;
}

// The VPN picture as its units are added: VRFs by device, the route
// targets' nodes and the arrows, within the picture's bounds.
class VpnDrawing {
 public:
  explicit VpnDrawing(const VpnMap& map)
      : map_(map),
        links_(LinksOfVrfs(map)),
        drawnTarget_(map.routeTargets.size(), SIZE_MAX),
        danglingDrawn_(map.routeTargets.size(), 0) {}

  // Unit `u`: VRF by VRF when it fits, else one box, else left out.
  void Add(size_t u, const Vpn& vpn) {
    const std::vector<size_t>& vrfs = vpn.vrfs;
    const size_t ownArrows = CollectTargets(u, vrfs);
    size_t newDangling = 0;
    for (size_t t : dangling_) newDangling += !danglingDrawn_[t];
    const bool oneByOne = vrfs.size() <= kMostVrfsOneByOne &&
                          budget_.Fits(vrfs.size() + targets_.size() + newDangling, ownArrows);
    if (!oneByOne && !budget_.Fits(1 + newDangling, dangling_.size())) {
      vrfsLeftOut_ += vrfs.size();
      ++vpnsLeftOut_;
      return;
    }
    DrawDangling();
    if (oneByOne) {
      budget_.Take(vrfs.size() + targets_.size() + newDangling, ownArrows);
      DrawOneByOne(vrfs);
    } else {
      budget_.Take(1 + newDangling, dangling_.size());
      DrawBox(vpn);
    }
  }

  // What the title adds: boxes drawn, VPNs left out.
  std::string Note() const {
    std::string note;
    if (boxes_) {
      note = "a VPN of more than " + std::to_string(kMostVrfsOneByOne) +
             " VRFs, or one that does not fit, is one box";
    }
    if (vpnsLeftOut_) {
      note += std::string(note.empty() ? "" : "; ") + "left out: " + std::to_string(vrfsLeftOut_) +
              " of " + Count(map_.vrfs.size(), "VRF", "VRFs") + " (" +
              Count(vpnsLeftOut_, "VPN", "VPNs") + "); " + kBounds + ", findings first";
    }
    return note;
  }

  // The devices' clusters of VRFs, then the other nodes and the arrows.
  void Write(std::ostringstream& dot) const {
    size_t cluster = 0;
    for (const auto& [device, vrfs] : byDevice_) {
      dot << "  subgraph cluster_" << cluster++ << " {\n    label=" << Quoted(Shown(device))
          << "; style=rounded; color=\"#888888\";\n";
      for (size_t v : vrfs) {
        const VrfRef& vrf = map_.vrfs[v];
        std::string label = Shown(vrf.vrf);
        if (vrf.virtualRouter != "default") label.insert(0, Shown(vrf.virtualRouter) + "/");
        if (!vrf.routeDistinguisher.empty()) label += "\nRD " + Shown(vrf.routeDistinguisher);
        dot << "    " << Quoted(Shown(VrfName(vrf))) << " [label=" << Quoted(label) << "];\n";
      }
      dot << "  }\n";
    }
    dot << nodes_.str() << arrows_.str();
  }

 private:
  std::string TargetNode(size_t t) const {
    return Quoted("RT " + Shown(map_.routeTargets[t].routeTarget));
  }

  // The unit's own targets (both sides present) and the dangling ones it
  // imports; the count of its arrows drawn VRF by VRF.
  size_t CollectTargets(size_t u, const std::vector<size_t>& vrfs) {
    targets_.clear();
    dangling_.clear();
    size_t ownArrows = 0;
    for (size_t v : vrfs) {
      for (const TargetLink& link : links_[v]) {
        ++ownArrows;
        if (drawnTarget_[link.target] == u) continue;
        drawnTarget_[link.target] = u;
        (map_.routeTargets[link.target].exporters.empty() ? dangling_ : targets_)
            .push_back(link.target);
      }
    }
    return ownArrows;
  }

  void DrawDangling() {
    for (size_t t : dangling_) {
      if (danglingDrawn_[t]) continue;
      danglingDrawn_[t] = 1;
      const RouteTarget& target = map_.routeTargets[t];
      nodes_ << "  " << TargetNode(t) << " [label="
             << Quoted("RT " + Shown(target.routeTarget) + "\nimported by " +
                       Count(target.importers.size(), "VRF", "VRFs") + ", exported by none")
             << ", shape=note, style=dashed, color=\"" << kBrokenColour << "\", fontcolor=\""
             << kBrokenColour << "\"];\n";
    }
  }

  void DrawBox(const Vpn& vpn) {
    ++boxes_;
    const std::string box = "VPN " + std::to_string(boxes_);
    nodes_ << "  " << Quoted(box) << " [label=" << Quoted(BoxLabel(map_, vpn, targets_))
           << ", shape=box3d, style=filled, fillcolor=\"#dde6f5\"];\n";
    for (size_t t : dangling_) {
      arrows_ << "  " << TargetNode(t) << " -> " << Quoted(box) << " [color=\"" << kBrokenColour
              << "\"];\n";
    }
  }

  void DrawOneByOne(const std::vector<size_t>& vrfs) {
    for (size_t t : targets_) {
      nodes_ << "  " << TargetNode(t) << " [shape=note, style=\"\", color=\"" << kForwarded
             << "\"];\n";
    }
    for (size_t v : vrfs) {
      byDevice_[map_.vrfs[v].device].push_back(v);
      const std::string vrf = Quoted(Shown(VrfName(map_.vrfs[v])));
      for (const TargetLink& link : links_[v]) {
        const std::string target = TargetNode(link.target);
        const bool isDangling = map_.routeTargets[link.target].exporters.empty();
        const char* colour = isDangling ? kBrokenColour : kForwarded;
        if (link.direction == kImports) {
          arrows_ << "  " << target << " -> " << vrf << " [color=\"" << colour << "\"];\n";
        } else {
          arrows_ << "  " << vrf << " -> " << target << " [color=\"" << colour << "\""
                  << (link.direction == (kImports | kExports) ? ", dir=both" : "") << "];\n";
        }
      }
    }
  }

  const VpnMap& map_;
  const std::vector<std::vector<TargetLink>> links_;
  Budget budget_;
  std::vector<size_t> drawnTarget_;  // by target: the unit that last collected it
  std::vector<char> danglingDrawn_;  // by target
  std::map<std::string, std::vector<size_t>> byDevice_;  // VRFs drawn one by one
  std::ostringstream nodes_, arrows_;
  size_t vrfsLeftOut_ = 0, vpnsLeftOut_ = 0, boxes_ = 0;
  std::vector<size_t> targets_, dangling_;  // of the unit being added
};

// What the paths picture draws: the paths that fit, findings first, each
// with its nodes and arrows; the others counted by how they end.
struct PathsDrawn {
  std::vector<uint32_t> nodes;  // in order
  std::vector<PathArrow> arrows;
  size_t leftOut[4] = {0, 0, 0, 0};
};

PathsDrawn DrawnWithinBounds(const std::vector<report::Report>& routers, const LabelPaths& found) {
  // Findings first: broken, looping, leaving, then those that reach their egress.
  std::vector<uint32_t> order(found.paths.size());
  for (uint32_t p = 0; p < order.size(); ++p) order[p] = p;
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return found.paths[a].end < found.paths[b].end; });

  PathsDrawn drawn;
  Budget budget;
  std::unordered_set<uint32_t> drawnNodes;
  std::unordered_map<uint64_t, size_t> arrowIndex;
  std::vector<Step> steps;
  std::vector<uint32_t> nodes;
  std::vector<uint64_t> newArrows;
  for (uint32_t p : order) {
    const Path& path = found.paths[p];
    StepsOf(routers, found, path, steps, nodes);
    size_t newNodes = 0;
    for (uint32_t node : nodes) newNodes += !drawnNodes.count(node);
    newArrows.clear();
    for (const Step& step : steps) {
      const uint64_t key = ArrowKey(step.from, step.to, path.end);
      if (!arrowIndex.count(key)) newArrows.push_back(key);
    }
    std::sort(newArrows.begin(), newArrows.end());
    newArrows.erase(std::unique(newArrows.begin(), newArrows.end()), newArrows.end());
    if (!budget.Fits(newNodes, newArrows.size())) {
      ++drawn.leftOut[static_cast<int>(path.end)];
      continue;
    }
    budget.Take(newNodes, newArrows.size());
    for (uint32_t node : nodes) {
      if (drawnNodes.insert(node).second) drawn.nodes.push_back(node);
    }
    for (const Step& step : steps) {
      auto [at, added] =
          arrowIndex.emplace(ArrowKey(step.from, step.to, path.end), drawn.arrows.size());
      if (added) drawn.arrows.emplace_back(step.from, step.to, path.end);
      drawn.arrows[at->second].Add(p, step.label);
    }
  }
  return drawn;
}

}  // namespace

std::string PathsDot(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const std::string& title) {
  PathsDrawn drawn = DrawnWithinBounds(routers, found);
  std::vector<uint32_t>& nodeOrder = drawn.nodes;
  const std::vector<PathArrow>& arrows = drawn.arrows;

  const uint32_t addressBase = static_cast<uint32_t>(routers.size());
  auto name = [&](uint32_t node) {
    return Shown(node < addressBase ? routers[node].device
                                    : found.graph.Address(node - addressBase));
  };
  std::ostringstream dot;
  Header(dot, title, LeftOutPaths(drawn.leftOut, found.paths.size()));
  dot << "  node [shape=box, style=rounded];\n";
  std::sort(nodeOrder.begin(), nodeOrder.end());
  for (uint32_t node : nodeOrder) {
    dot << "  " << Quoted(name(node));
    if (node >= addressBase) {
      dot << " [shape=ellipse, style=dashed, color=\"" << kLeavesColour << "\"]";
    }
    dot << ";\n";
  }
  for (const PathArrow& arrow : arrows) {
    const char* colour = ColourOf(arrow.end);
    dot << "  " << Quoted(name(arrow.from)) << " -> " << Quoted(name(arrow.to)) << " [color=\""
        << colour << "\", fontcolor=\"" << colour << "\", label=" << Quoted(Shown(arrow.Label()));
    if (arrow.end == PathEnd::kLeaves) dot << ", style=dashed";
    dot << "];\n";
  }
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
  VpnDrawing drawing(map);
  const std::vector<Unit> units = UnitsFindingsFirst(map);
  for (size_t u = 0; u < units.size(); ++u) drawing.Add(u, *units[u].vpn);
  std::ostringstream dot;
  Header(dot, title, drawing.Note());
  dot << "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#eef3fb\"];\n";
  drawing.Write(dot);
  dot << "  subgraph cluster_legend {\n    label=\"legend\"; fontsize=10; color=\"#bbbbbb\";\n"
      << "    legend [shape=plaintext, style=\"\", label=<<table border=\"0\" cellspacing=\"2\">"
      << "<tr><td align=\"left\"><font color=\"" << kForwarded
      << "\">VRF &#8594; RT: exports it; RT &#8594; VRF: imports it</font></td></tr>"
      << "<tr><td align=\"left\"><font color=\"" << kBrokenColour
      << "\">RT &#8594; VRF: imported, exported by nobody</font></td></tr>"
      << "</table>>];\n  }\n}\n";
  return dot.str();
}

}  // namespace network
