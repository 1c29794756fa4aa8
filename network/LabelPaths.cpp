#include "network/LabelPaths.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "report/ReportText.h"

namespace network {
namespace {

using Json = nlohmann::ordered_json;

const report::LabelEntry& EntryOf(const std::vector<report::Report>& routers,
                                  const LabelPaths& found, uint32_t id) {
  const EntryRef& ref = found.entries[id];
  return routers[ref.router].labelEntries[ref.entry];
}

const std::string kDefaultRouter = "default";

std::string Where(const std::string& device, const report::Text& virtualRouter) {
  if (!virtualRouter || *virtualRouter == kDefaultRouter) return device;
  return device + ":" + *virtualRouter;
}

Json TextOrNull(const report::Text& text) { return text ? Json(ValidUtf8(*text)) : Json(nullptr); }

// The label on top of what the entry sends, the one the next router reads:
// the label pushed last, else the out label.
report::Text SentLabel(const report::LabelEntry& entry) {
  return entry.pushLabels && !entry.pushLabels->empty() ? entry.pushLabels->back() : entry.outLabel;
}

// Labels of another space (an interface's own, such as an ATM space) overlap
// the platform's; a packet from another router is looked up in the platform
// space, so only those entries can be forwarded into.
bool InPlatformSpace(const report::LabelEntry& entry) {
  if (!entry.labelSpace) return true;
  std::string space = *entry.labelSpace;
  std::transform(space.begin(), space.end(), space.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return space.rfind("platform", 0) == 0;
}

}  // namespace

LabelPaths FollowLabelPaths(const std::vector<report::Report>& routers) {
  LabelPaths found;
  size_t entries = 0;
  for (const report::Report& router : routers) entries += router.labelEntries.size();
  found.graph.ReserveEntries(entries);
  found.entries.reserve(entries);
  for (uint32_t r = 0; r < routers.size(); ++r) {
    const report::Report& router = routers[r];
    const uint32_t id = found.graph.AddRouter();
    for (const report::IpAddress& address : router.ipAddresses) {
      found.graph.AddAddress(id, address.virtualRouter, address.address);
    }
    for (uint32_t e = 0; e < router.labelEntries.size(); ++e) {
      const report::LabelEntry& entry = router.labelEntries[e];
      EntryInput input;
      input.router = id;
      input.virtualRouter = entry.virtualRouter ? *entry.virtualRouter : kDefaultRouter;
      if (InPlatformSpace(entry)) input.inLabel = ParseLabel(entry.inLabel);
      input.outLabel = ParseLabel(SentLabel(entry));
      // The label table's pop and lookup hand the packet to this router's IP
      // forwarding, l2transport to an attachment circuit: the path ends here.
      input.endsHere = entry.action && (*entry.action == "pop" || *entry.action == "lookup" ||
                                        *entry.action == "l2transport");
      if (entry.nextHop) input.nextHop = *entry.nextHop;
      found.graph.AddEntry(input);
      found.entries.push_back({r, e});
    }
  }
  found.paths = found.graph.Stitch();
  return found;
}

void KeepPathsThrough(LabelPaths& found, const std::vector<report::Report>& routers,
                      const std::string& device) {
  auto passes = [&](const Path& path) {
    if (path.endRouter != kNone && routers[path.endRouter].device == device) return true;
    return std::any_of(path.hops.begin(), path.hops.end(), [&](uint32_t hop) {
      return routers[found.entries[hop].router].device == device;
    });
  };
  found.paths.erase(std::remove_if(found.paths.begin(), found.paths.end(),
                                   [&](const Path& path) { return !passes(path); }),
                    found.paths.end());
}

namespace {

std::string PathText(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const Path& path) {
  std::string line;
  const report::LabelEntry& first = EntryOf(routers, found, path.hops.front());
  if (first.lspName) line += ValidUtf8(*first.lspName) + ": ";
  for (size_t i = 0; i < path.hops.size(); ++i) {
    const uint32_t hop = path.hops[i];
    const report::LabelEntry& entry = EntryOf(routers, found, hop);
    if (i > 0) line += " -> ";
    line += ValidUtf8(Where(routers[found.entries[hop].router].device, entry.virtualRouter));
    line += " " + ValidUtf8(entry.inLabel ? *entry.inLabel : entry.inInterface.value_or("-"));
  }
  const report::LabelEntry& last = EntryOf(routers, found, path.hops.back());
  const std::string outLabel = ValidUtf8(SentLabel(last).value_or("-"));
  switch (path.end) {
    case PathEnd::kEgress:
      if (path.endRouter != found.entries[path.hops.back()].router) {
        line += " -> " + routers[path.endRouter].device;
      }
      break;
    case PathEnd::kBroken:
      return line + " -> " + routers[path.endRouter].device + " " + outLabel +
             " (broken: no entry)";
    case PathEnd::kLoop:
      line += " -> " + routers[path.endRouter].device + " " + outLabel;
      break;
    case PathEnd::kLeaves:
      line += " -> " + (path.endAddress == kNone ? std::string("nowhere")
                                                 : found.graph.Address(path.endAddress));
      break;
  }
  return line + " (" + PathEndName(path.end) + ")";
}

}  // namespace

std::string PathLine(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const Path& path) {
  // An LSP name of ESC ] 0 ; ... BEL would set the operator's terminal title.
  std::string line;
  AppendReadable(line, PathText(routers, found, path));
  return line;
}

void WritePathsText(const std::vector<report::Report>& routers, const LabelPaths& found,
                    std::ostream& out) {
  size_t counts[4] = {0, 0, 0, 0};
  for (const Path& path : found.paths) {
    out << PathLine(routers, found, path) << "\n";
    ++counts[static_cast<int>(path.end)];
  }
  out << found.paths.size() << (found.paths.size() == 1 ? " path" : " paths") << ": " << counts[0]
      << " broken, " << counts[1] << " loop, " << counts[2] << " leaves, " << counts[3]
      << " egress\n";
}

void WritePathsJson(int64_t run, const std::vector<report::Report>& routers,
                    const LabelPaths& found, std::ostream& out) {
  Json paths = Json::array();
  for (const Path& path : found.paths) {
    Json hops = Json::array();
    for (uint32_t hop : path.hops) {
      const report::LabelEntry& entry = EntryOf(routers, found, hop);
      Json step = {{"device", ValidUtf8(routers[found.entries[hop].router].device)},
                   {"virtualRouter", TextOrNull(entry.virtualRouter)},
                   {"inLabel", TextOrNull(entry.inLabel)},
                   {"outLabel", TextOrNull(entry.outLabel)},
                   {"outInterface", TextOrNull(entry.outInterface)},
                   {"nextHop", TextOrNull(entry.nextHop)}};
      if (entry.pushLabels && !entry.pushLabels->empty()) {
        Json pushed = Json::array();
        for (const std::string& label : *entry.pushLabels) pushed.push_back(ValidUtf8(label));
        step["pushLabels"] = std::move(pushed);
      }
      hops.push_back(std::move(step));
    }
    paths.push_back(
        {{"lsp", TextOrNull(EntryOf(routers, found, path.hops.front()).lspName)},
         {"hops", std::move(hops)},
         {"end", PathEndName(path.end)},
         {"endDevice", path.endRouter == kNone ? Json(nullptr)
                                               : Json(ValidUtf8(routers[path.endRouter].device))},
         {"endAddress",
          path.endAddress == kNone ? Json(nullptr) : Json(found.graph.Address(path.endAddress))}});
  }
  out << Json{{"run", run}, {"paths", std::move(paths)}}.dump(2) << "\n";
}

}  // namespace network
