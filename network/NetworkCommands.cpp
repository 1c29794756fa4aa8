#include "network/NetworkCommands.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "files/WholeFile.h"
#include "network/Graphviz.h"
#include "network/HtmlPage.h"
#include "network/LabelPaths.h"
#include "network/NetworkDot.h"
#include "network/NetworkRun.h"
#include "network/VpnMap.h"
#include "store/RunDiff.h"

namespace network {
namespace {

bool Picture(const std::string& format, const std::string& dot, std::ostream& out,
             std::string& problem) {
  if (format == "dot") {
    out << dot;
    return true;
  }
  std::string svg;
  if (!RenderSvg(dot, svg, problem)) return false;
  out << svg;
  return true;
}

bool KnownFormat(const std::string& format, std::string& problem) {
  for (const char* known : {"text", "json", "dot", "svg"}) {
    if (format == known) return true;
  }
  problem = "unknown format '" + format + "' (text, json, dot or svg)";
  return false;
}

std::string Title(const NetworkRun& run, const std::string& what) {
  return what + ", run " + std::to_string(run.run.id) + " (" + run.run.startedAt + ")";
}

}  // namespace

int ShowPaths(const NetworkOptions& options, std::ostream& out, std::string& problem) {
  NetworkRun run;
  if (!KnownFormat(options.format, problem) ||
      !LoadNetworkRun(options.storePath, options.run, run, problem)) {
    return kCommandFailed;
  }
  LabelPaths found = FollowLabelPaths(run.routers);
  std::string title = Title(run, "Label paths");
  if (!options.device.empty()) {
    if (std::none_of(run.routers.begin(), run.routers.end(),
                     [&](const report::Report& r) { return r.device == options.device; })) {
      problem = "run " + std::to_string(run.run.id) + " has no discovered device " + options.device;
      return kCommandFailed;
    }
    KeepPathsThrough(found, run.routers, options.device);
    title += " through " + options.device;
  }
  if (options.format == "text") {
    WritePathsText(run.routers, found, out);
  } else if (options.format == "json") {
    WritePathsJson(run.run.id, run.routers, found, out);
  } else if (!Picture(options.format, PathsDot(run.routers, found, title), out, problem)) {
    return kCommandFailed;
  }
  if (!out.flush()) {
    problem = "cannot write the answer";
    return kCommandFailed;
  }
  return 0;
}

int ShowVpns(const NetworkOptions& options, std::ostream& out, std::string& problem) {
  NetworkRun run;
  if (!KnownFormat(options.format, problem) ||
      !LoadNetworkRun(options.storePath, options.run, run, problem)) {
    return kCommandFailed;
  }
  const VpnMap map = MapVpns(run.routers);
  if (options.format == "text") {
    WriteVpnsText(map, out, options.full);
  } else if (options.format == "json") {
    WriteVpnsJson(run.run.id, map, out);
  } else if (!Picture(options.format, VpnsDot(map, Title(run, "VPNs")), out, problem)) {
    return kCommandFailed;
  }
  if (!out.flush()) {
    problem = "cannot write the answer";
    return kCommandFailed;
  }
  return 0;
}

int WritePage(const NetworkOptions& options, std::string& problem) {
  NetworkRun run;
  if (!LoadNetworkRun(options.storePath, options.run, run, problem)) return kCommandFailed;
  const LabelPaths paths = FollowLabelPaths(run.routers);
  const VpnMap vpns = MapVpns(run.routers);
  PageParts parts{&run, &paths, &vpns, "", "", ""};
  if (!RenderSvg(PathsDot(run.routers, paths, Title(run, "Label paths")), parts.pathsSvg,
                 problem) ||
      !RenderSvg(VpnsDot(vpns, Title(run, "VPNs")), parts.vpnsSvg, problem)) {
    return kCommandFailed;
  }
  if (run.previousRun) {
    store::DiffOptions diff;
    diff.storePath = options.storePath;
    diff.runA = run.previousRun;
    diff.runB = run.run.id;
    std::ostringstream changes;
    if (store::DiffRuns(diff, changes, problem) == store::kDiffFailed) return kCommandFailed;
    parts.changes = changes.str();
  }
  files::WholeFile page(options.output);
  if (!page.Open(problem)) {
    problem = "cannot write the page to " + options.output + ": " + problem;
    return kCommandFailed;
  }
  WriteHtmlPage(parts, page.Stream());
  if (!page.Commit(problem)) {
    problem = "cannot write the page to " + options.output + ": " + problem;
    return kCommandFailed;
  }
  return 0;
}

}  // namespace network
