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

Status Picture(const std::string& format, const std::string& dot, std::ostream& out) {
  if (format == "dot") {
    out << dot;
    return Status();
  }
  std::string svg;
  if (Status drawn = RenderSvg(dot, svg); !drawn.ok()) return drawn;
  out << svg;
  return Status();
}

Status KnownFormat(const std::string& format) {
  for (const char* known : {"text", "json", "dot", "svg"}) {
    if (format == known) return Status();
  }
  return Status::Failure("unknown format '" + format + "' (text, json, dot or svg)");
}

Status Flushed(std::ostream& out) {
  return out.flush() ? Status() : Status::Failure("cannot write the answer");
}

std::string Title(const NetworkRun& run, const std::string& what) {
  return what + ", run " + std::to_string(run.run.id) + " (" + run.run.startedAt + ")";
}

}  // namespace

Status ShowPaths(const NetworkOptions& options, std::ostream& out) {
  NetworkRun run;
  if (Status known = KnownFormat(options.format); !known.ok()) return known;
  if (Status loaded = LoadNetworkRun(options.storePath, options.run, run); !loaded.ok())
    return loaded;
  LabelPaths found = FollowLabelPaths(run.routers);
  std::string title = Title(run, "Label paths");
  if (!options.device.empty()) {
    if (std::none_of(run.routers.begin(), run.routers.end(),
                     [&](const report::Report& r) { return r.device == options.device; })) {
      return Status::Failure("run " + std::to_string(run.run.id) + " has no discovered device " +
                             options.device);
    }
    KeepPathsThrough(found, run.routers, options.device);
    title += " through " + options.device;
  }
  if (options.format == "text") {
    WritePathsText(run.routers, found, out);
  } else if (options.format == "json") {
    WritePathsJson(run.run.id, run.routers, found, out);
  } else if (Status drawn = Picture(options.format, PathsDot(run.routers, found, title), out);
             !drawn.ok()) {
    return drawn;
  }
  return Flushed(out);
}

Status ShowVpns(const NetworkOptions& options, std::ostream& out) {
  NetworkRun run;
  if (Status known = KnownFormat(options.format); !known.ok()) return known;
  if (Status loaded = LoadNetworkRun(options.storePath, options.run, run); !loaded.ok())
    return loaded;
  const VpnMap map = MapVpns(run.routers);
  if (options.format == "text") {
    WriteVpnsText(map, out, options.full);
  } else if (options.format == "json") {
    WriteVpnsJson(run.run.id, map, out);
  } else if (Status drawn = Picture(options.format, VpnsDot(map, Title(run, "VPNs")), out);
             !drawn.ok()) {
    return drawn;
  }
  return Flushed(out);
}

Status WritePage(const NetworkOptions& options) {
  NetworkRun run;
  if (Status loaded = LoadNetworkRun(options.storePath, options.run, run); !loaded.ok())
    return loaded;
  const LabelPaths paths = FollowLabelPaths(run.routers);
  const VpnMap vpns = MapVpns(run.routers);
  PageParts parts{&run, &paths, &vpns, "", "", ""};
  Status drawn = RenderSvg(PathsDot(run.routers, paths, Title(run, "Label paths")), parts.pathsSvg);
  if (drawn.ok()) drawn = RenderSvg(VpnsDot(vpns, Title(run, "VPNs")), parts.vpnsSvg);
  if (!drawn.ok()) return drawn;
  if (run.previousRun) {
    store::DiffOptions diff;
    diff.storePath = options.storePath;
    diff.runA = run.previousRun;
    diff.runB = run.run.id;
    std::ostringstream changes;
    if (const Outcome<store::DiffOutcome> diffed = store::DiffRuns(diff, changes); !diffed.ok()) {
      return diffed.status();
    }
    parts.changes = changes.str();
  }
  const std::string context = "cannot write the page to " + options.output + ": ";
  files::WholeFile page(options.output);
  if (Status opened = page.Open(); !opened.ok()) return opened.Prefixed(context);
  WriteHtmlPage(parts, page.Stream());
  return page.Commit().Prefixed(context);
}

}  // namespace network
