#include "web/Pages.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

#include "web/Html.h"

namespace web {
namespace {

// A JSON value as the page shows it: strings as they are, null as nothing.
std::string Shown(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_null()) return "";
  if (value.is_number_float()) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(2);
    out << value.get<double>();
    return out.str();
  }
  return value.dump();
}

std::string Cell(const Json& value, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" +
         Escape(Shown(value)) + "</td>";
}

std::string RunUrl(const Json& run) { return "/runs/" + Shown(run); }

std::string DeviceUrl(const Json& run, const std::string& device) {
  return RunUrl(run) + "/devices/" + UrlPart(device);
}

// A sortable table with a filter box above it (table.js).
std::string TableStart(const std::string& id, const std::vector<std::string>& headings) {
  std::string out = "<p><input class=\"filter\" type=\"search\" data-table=\"" + id +
                    "\" placeholder=\"filter these rows\" aria-label=\"filter these rows\"></p>\n"
                    "<table class=\"sortable\" id=\"" +
                    id + "\"><thead><tr>";
  for (const std::string& heading : headings) out += "<th>" + heading + "</th>";
  return out + "</tr></thead><tbody>\n";
}

const char kTableEnd[] = "</tbody></table>\n";

std::string Status(const Json& status) {
  const std::string text = Shown(status);
  return "<td class=\"status " + Escape(text) + "\">" + Escape(text) + "</td>";
}

// A filter's choice among `counts` (each value's devices), "any" first.
std::string Choice(const std::string& name, const Json& counts, const std::string& chosen) {
  std::string out =
      "<label>" + name + " <select name=\"" + name + "\"><option value=\"\">any</option>";
  for (const auto& [value, count] : counts.items()) {
    out += "<option value=\"" + Escape(value) + "\"" + (value == chosen ? " selected" : "") + ">" +
           Escape(value) + " (" + Shown(count) + ")</option>";
  }
  return out + "</select></label>";
}

std::string List(const Json& items) {
  std::string out;
  for (const Json& item : items) out += (out.empty() ? "" : ", ") + Escape(Shown(item));
  return out;
}

std::string VrfName(const Json& vrf) {
  const std::string vr = Shown(vrf["virtualRouter"]);
  return Shown(vrf["device"]) + (vr == "default" || vr.empty() ? "" : ":" + vr) + "/" +
         Shown(vrf["vrf"]);
}

std::string VrfLinks(const Json& run, const Json& vrfs) {
  std::string out;
  for (const Json& vrf : vrfs) {
    out += (out.empty() ? "" : ", ") + Link(DeviceUrl(run, Shown(vrf["device"])), VrfName(vrf));
  }
  return out.empty() ? "none" : out;
}

}  // namespace

std::string RunsPage(const Answer& answer) {
  const Json& data = answer.data;
  std::string body = TableStart("runs", {"run", "started", "finished", "seconds", "devices",
                                         "by status", "since the run before", "inventory"});
  for (const Json& run : data["runs"]) {
    std::string statuses;
    for (const auto& [status, count] : run["devices"]["byStatus"].items()) {
      statuses += (statuses.empty() ? "" : ", ") + Escape(status) + " " + Shown(count);
    }
    std::string since = "-";
    if (!run["sincePrevious"].is_null()) {
      const Json& s = run["sincePrevious"];
      since = Link("/diff?a=" + Shown(run["previous"]) + "&b=" + Shown(run["id"]),
                   "diff with run " + Shown(run["previous"])) +
              ": " + Shown(s["appeared"]) + " appeared, " + Shown(s["disappeared"]) +
              " disappeared, " + Shown(s["statusChanged"]) + " changed status";
    }
    body += "<tr><td class=\"n\">" + Link(RunUrl(run["id"]), "run " + Shown(run["id"])) + "</td>" +
            Cell(run["startedAt"], "t") +
            Cell(run["finishedAt"].is_null() ? Json("not finished") : run["finishedAt"], "t") +
            Cell(run["seconds"], "n") + Cell(run["devices"]["total"], "n") + "<td>";
    body.append(statuses).append("</td><td>").append(since).append("</td>");
    body += Cell(run["inventory"]) + "</tr>\n";
  }
  body += kTableEnd + Pager("/?", answer.offset, answer.limit, answer.total);
  return Page("Runs", body);
}

std::string RunPage(const Answer& answer) {
  const Json& data = answer.data;
  const Json& run = data["run"]["id"];
  std::string body = "<p>Started " + Escape(Shown(data["run"]["startedAt"])) + ", " +
                     (data["run"]["finishedAt"].is_null()
                          ? std::string("not finished")
                          : "finished " + Escape(Shown(data["run"]["finishedAt"]))) +
                     "; inventory " + Escape(Shown(data["run"]["inventory"])) + ".</p>\n<p>" +
                     Link(RunUrl(run) + "/paths", "label paths") + " &middot; " +
                     Link(RunUrl(run) + "/vpns", "VPNs");
  if (!data["previous"].is_null()) {
    body += " &middot; " + Link("/diff?a=" + Shown(data["previous"]) + "&b=" + Shown(run),
                                "what changed since run " + Shown(data["previous"]));
  }
  const std::string status = Shown(data["filter"]["status"]);
  const std::string region = Shown(data["filter"]["region"]);
  const bool regions = !data["byRegion"].empty();
  body += "</p>\n<form method=\"get\" class=\"filters\">" +
          Choice("status", data["byStatus"], status) +
          (regions ? " " + Choice("region", data["byRegion"], region) : std::string()) +
          " <label>name <input name=\"name\" value=\"" + Escape(Shown(data["filter"]["name"])) +
          "\"></label> <button>Show</button></form>\n";
  std::vector<std::string> columns = {"device", "status",      "problem", "label entries",
                                      "VRFs",   "impositions", "seconds"};
  if (regions) columns.insert(columns.begin() + 1, "region");
  body += TableStart("devices", columns);
  for (const Json& device : data["devices"]) {
    body += "<tr><td>" + Link(DeviceUrl(run, Shown(device["name"])), Shown(device["name"])) +
            "</td>" + (regions ? Cell(device["region"]) : std::string()) +
            Status(device["status"]) + Cell(device["problem"]) + Cell(device["labelEntries"], "n") +
            Cell(device["vrfs"], "n") + Cell(device["impositions"], "n") +
            Cell(device["seconds"], "n") + "</tr>\n";
  }
  const std::string base = RunUrl(run) + "?status=" + UrlPart(status) +
                           "&region=" + UrlPart(region) +
                           "&name=" + UrlPart(Shown(data["filter"]["name"])) + "&";
  body += kTableEnd + Pager(base, answer.offset, answer.limit, answer.total);
  return Page("Run " + Shown(run), body);
}

// "The first 2000 of 5000 are shown." under a list that was cut.
std::string CutNote(const Json& lengths, const char* list, const Json& shown) {
  if (!lengths.contains(list) || lengths[list].get<size_t>() <= shown.size()) return "";
  return "<p class=\"bad\">The first " + std::to_string(shown.size()) + " of " +
         Shown(lengths[list]) + " are shown.</p>\n";
}

// The VRFs' rows, interfaces named by the device's ifDescr.
std::string VrfRows(const Json& r) {
  std::map<int64_t, std::string> interfaceNames;
  for (const Json& i : r["interfaces"]) {
    if (i.contains("ifDescr")) interfaceNames[i["ifIndex"].get<int64_t>()] = Shown(i["ifDescr"]);
  }
  auto interfaces = [&](const Json& indexes) {
    std::string out;
    for (const Json& index : indexes) {
      const auto name = interfaceNames.find(index.get<int64_t>());
      out += (out.empty() ? "" : ", ") +
             Escape(name == interfaceNames.end() ? "ifIndex " + Shown(index) : name->second);
    }
    return out;
  };
  std::string body;
  for (const Json& vrf : r["vrfs"]) {
    std::string impositions;
    for (const Json& i : vrf.value("impositions", Json::array())) {
      impositions +=
          Escape(Shown(i.value("destination", Json())) + " label " +
                 Shown(i.value("label", Json())) + " via " + Shown(i.value("nextHop", Json())) +
                 " " + Shown(i.value("interface", Json()))) +
          "<br>";
    }
    body += "<tr>" + Cell(vrf.value("virtualRouter", Json())) + Cell(vrf.value("name", Json())) +
            Cell(vrf.value("routeDistinguisher", Json())) + "<td>" +
            List(vrf.value("importRouteTargets", Json::array())) + "</td><td>" +
            List(vrf.value("exportRouteTargets", Json::array())) + "</td><td>" +
            interfaces(vrf.value("ifIndexes", Json::array())) + "</td><td>" + impositions +
            "</td></tr>\n";
  }
  return body;
}

std::string LabelEntryRows(const Json& r) {
  std::string body;
  for (const Json& e : r["labelEntries"]) {
    body += "<tr>" + Cell(e.value("virtualRouter", Json())) + Cell(e.value("inLabel", Json())) +
            Cell(e.value("outLabel", Json())) + Cell(e.value("outInterface", Json())) +
            Cell(e.value("nextHop", Json())) + Cell(e.value("lspName", Json())) + "<td>" +
            List(e.value("inInterfaces", Json::array())) + "</td></tr>\n";
  }
  return body;
}

// What the device's report says: its virtual routers, VRFs, label entries,
// interfaces, addresses, warnings and errors.
std::string ReportSections(const Json& data, const Json& run, const std::string& name) {
  const Json& r = data["report"];
  std::string body =
      "<p>Agent " + Escape(Shown(r["agent"])) + ". " +
      Link(RunUrl(run) + "/paths?device=" + UrlPart(name), "label paths through it") +
      "</p>\n<h2>Virtual routers</h2>\n<ul>\n";
  for (const Json& vr : r["virtualRouters"]) {
    body += "<li>" + Escape(Shown(vr.value("name", Json()))) + ": VRFs " +
            List(vr.value("vrfs", Json::array())) + "</li>\n";
  }
  body += "</ul>\n<h2>VRFs</h2>\n" + TableStart("vrfs", {"virtual router", "VRF", "RD", "import",
                                                         "export", "interfaces", "impositions"});
  body += VrfRows(r);
  const Json& impositions = data["impositions"];
  const Json& lengths = data["lengths"];
  body += kTableEnd + CutNote(lengths, "vrfs", r["vrfs"]);
  if (impositions["total"].get<int64_t>() > impositions["limitPerVrf"].get<int64_t>()) {
    body += "<p>" + Shown(impositions["total"]) + " impositions in all; at most " +
            Shown(impositions["limitPerVrf"]) + " of each VRF are shown (" +
            Link(DeviceUrl(run, name) + "?impositions=100000", "show them all") + ").</p>\n";
  }
  body += std::string("<h2>Label entries</h2>\n") +
          TableStart("labels", {"virtual router", "in label", "out label", "out interface",
                                "next hop", "LSP", "in interfaces"});
  body += LabelEntryRows(r);
  const Json& page = data["labelEntries"];
  body += kTableEnd + Pager(DeviceUrl(run, name) + "?", page["offset"].get<int64_t>(),
                            page["limit"].get<int64_t>(), page["total"].get<int64_t>());
  body += "<h2>Interfaces</h2>\n" +
          TableStart("interfaces", {"ifIndex", "description", "virtual router", "VRF"});
  for (const Json& i : r["interfaces"]) {
    body += "<tr>" + Cell(i["ifIndex"], "n") + Cell(i.value("ifDescr", Json())) +
            Cell(i.value("virtualRouter", Json())) + Cell(i.value("vrf", Json())) + "</tr>\n";
  }
  body += kTableEnd + CutNote(lengths, "interfaces", r["interfaces"]) + "<h2>Addresses</h2>\n" +
          TableStart("addresses", {"virtual router", "address", "ifIndex"});
  for (const Json& a : r["ipAddresses"]) {
    body += "<tr>" + Cell(a["virtualRouter"]) + Cell(a["address"]) +
            Cell(a.value("ifIndex", Json()), "n") + "</tr>\n";
  }
  body +=
      kTableEnd + CutNote(lengths, "ipAddresses", r["ipAddresses"]) + "<h2>Warnings</h2>\n<ul>\n";
  for (const Json& w : r["warnings"]) body += "<li>" + Escape(Shown(w["text"])) + "</li>\n";
  body += "</ul>\n" + CutNote(lengths, "warnings", r["warnings"]) + "<h2>Errors</h2>\n<ul>\n";
  for (const Json& e : r["errors"]) {
    body += "<li>" +
            Escape(Shown(e["source"]) + ":" + Shown(e["line"]) + " code " + Shown(e["code"]) + " " +
                   Shown(e.value("text", Json()))) +
            "</li>\n";
  }
  body += "</ul>\n" + CutNote(lengths, "errors", r["errors"]);
  return body;
}

// The runs the device was in, each linked to its changes since the run before.
std::string HistorySection(const Json& data, const std::string& name) {
  std::string body = "<h2>History</h2>\n" +
                     TableStart("history", {"run", "started", "status", "problem", "changes"});
  for (const Json& h : data["history"]) {
    const std::string changes = h["previous"].is_null()
                                    ? "-"
                                    : Link("/diff?a=" + Shown(h["previous"]) +
                                               "&b=" + Shown(h["run"]) + "&device=" + UrlPart(name),
                                           "since run " + Shown(h["previous"]));
    body += "<tr><td>" + Link(DeviceUrl(h["run"], name), "run " + Shown(h["run"])) + "</td>" +
            Cell(h["startedAt"]) + Status(h["status"]) + Cell(h["problem"]) + "<td>" + changes +
            "</td></tr>\n";
  }
  body += kTableEnd;
  return body;
}

std::string DevicePage(const Answer& answer) {
  const Json& data = answer.data;
  const Json& run = data["run"]["id"];
  const Json& device = data["device"];
  const std::string name = Shown(device["name"]);
  std::string body =
      "<p>" + Link(RunUrl(run), "run " + Shown(run)) + " of " +
      Escape(Shown(data["run"]["startedAt"])) + "; source " + Escape(Shown(device["source"])) +
      (device["region"].is_null() ? "" : "; region " + Escape(Shown(device["region"]))) + "; " +
      Shown(device["seconds"]) + " s.</p>\n<p>Status <span class=\"status " +
      Escape(Shown(device["status"])) + "\">" + Escape(Shown(device["status"])) + "</span>";
  if (!Shown(device["problem"]).empty()) body += ": " + Escape(Shown(device["problem"]));
  body += "</p>\n";
  if (!data["report"].is_null()) body += ReportSections(data, run, name);
  body += HistorySection(data, name);
  return Page(name + " in run " + Shown(run), body);
}

std::string SearchPage(const Answer& answer) {
  const Json& data = answer.data;
  const std::string query = Shown(data["query"]);
  std::string body = "<form method=\"get\"><input type=\"search\" name=\"q\" value=\"" +
                     Escape(query) +
                     "\" aria-label=\"search\"> <label>run <input name=\"run\" "
                     "size=\"6\" value=\"" +
                     Escape(Shown(data["run"])) + "\"></label> <button>Search</button></form>\n";
  if (data["truncated"].get<bool>()) {
    body += "<p class=\"bad\">More than " + std::to_string(answer.limit) +
            " results: the first are shown; search for something narrower.</p>\n";
  }
  if (data["timedOut"].get<bool>()) {
    body += "<p class=\"bad\">The search stopped after its time limit; results are partial.</p>\n";
  }
  static const std::pair<const char*, const char*> kKinds[] = {
      {"vrf", "VRFs"},
      {"routeTarget", "Route targets"},
      {"routeDistinguisher", "Route distinguishers"},
      {"interface", "Interfaces"},
      {"lsp", "LSPs"},
      {"address", "Addresses and prefixes"},
      {"label", "Labels"}};
  size_t shown = 0;
  for (const auto& [kind, heading] : kKinds) {
    std::string rows;
    for (const Json& result : data["results"]) {
      if (result["kind"] != kind) continue;
      rows += "<tr><td>" +
              Link(DeviceUrl(data["run"], Shown(result["device"])), Shown(result["device"])) +
              "</td>" + Cell(result["virtualRouter"]) + Cell(result["vrf"]) +
              Cell(result["value"]) + Cell(result["detail"]) + "</tr>\n";
      ++shown;
    }
    if (rows.empty()) continue;
    body += std::string("<h2>") + heading + "</h2>\n" +
            TableStart(std::string("found-") + kind,
                       {"device", "virtual router", "VRF", "found", "detail"}) +
            rows + kTableEnd;
  }
  if (!query.empty() && shown == 0)
    body += "<p>Nothing found in run " + Shown(data["run"]) + ".</p>\n";
  return Page(query.empty() ? "Search" : "Search for " + query, body);
}

std::string PathsPage(const Answer& answer, const Query& query) {
  const Json& data = answer.data;
  const Json& run = data["run"];
  const auto device = query.find("device");
  const std::string through = device == query.end() ? "" : device->second;
  const std::string picture =
      RunUrl(run) + "/paths.svg" + (through.empty() ? "" : "?device=" + UrlPart(through));
  std::string body = "<p>" + Link(RunUrl(run), "run " + Shown(run)) + " &middot; " +
                     Link(picture, "the picture alone") +
                     "</p>\n"
                     "<form method=\"get\"><label>through device <input name=\"device\" value=\"" +
                     Escape(through) + "\"></label> <button>Show</button></form>\n";
  std::map<std::string, int64_t> ends;
  for (const Json& path : data["paths"]) ++ends[Shown(path["end"])];
  std::string counts;
  for (const char* end : {"broken", "loop", "leaves", "egress"}) {
    counts += std::string(counts.empty() ? "" : ", ") + std::to_string(ends[end]) + " " + end;
  }
  body += "<p>" + std::to_string(data["paths"].size()) + " paths shown: " + counts + ".</p>\n" +
          TableStart("paths", {"end", "LSP", "hops", "ends at", "last next hop"});
  for (const Json& path : data["paths"]) {
    std::string hops;
    for (const Json& hop : path["hops"]) {
      const std::string vr = Shown(hop["virtualRouter"]);
      hops += (hops.empty() ? "" : " &rarr; ") +
              Link(DeviceUrl(run, Shown(hop["device"])),
                   Shown(hop["device"]) + (vr == "default" || vr.empty() ? "" : ":" + vr)) +
              " " + Escape(Shown(hop["inLabel"]));
    }
    const std::string end = Shown(path["end"]);
    body +=
        "<tr><td class=\"end " + Escape(end) + "\">" + Escape(end) + "</td>" + Cell(path["lsp"]) +
        "<td>" + hops + "</td>" +
        (path["endDevice"].is_null()
             ? std::string("<td></td>")
             : "<td>" + Link(DeviceUrl(run, Shown(path["endDevice"])), Shown(path["endDevice"])) +
                   "</td>") +
        Cell(path["endAddress"]) + "</tr>\n";
  }
  body += kTableEnd +
          Pager(RunUrl(run) + "/paths?device=" + UrlPart(through) + "&", answer.offset,
                answer.limit, answer.total) +
          "<figure><img src=\"" + Escape(picture) + "\" alt=\"label paths\"></figure>\n";
  return Page("Label paths of run " + Shown(run), body);
}

std::string VpnsPage(const Answer& answer, const Query& query) {
  const Json& data = answer.data;
  const Json& run = data["run"];
  const auto device = query.find("device");
  const std::string only = device == query.end() ? "" : device->second;
  std::string body = "<p>" + Link(RunUrl(run), "run " + Shown(run)) + " &middot; " +
                     Link(RunUrl(run) + "/vpns.svg", "the picture alone") +
                     "</p>\n"
                     "<form method=\"get\"><label>device <input name=\"device\" value=\"" +
                     Escape(only) +
                     "\"></label> <button>Show</button></form>\n"
                     "<h2>Findings</h2>\n<ul>\n";
  for (const Json& finding : data["findings"]) {
    std::string what = Escape(Shown(finding["kind"]));
    if (!finding["routeTarget"].is_null()) what += " " + Escape(Shown(finding["routeTarget"]));
    if (finding.contains("routeDistinguisher")) {
      what += " " + Escape(Shown(finding["routeDistinguisher"]));
    }
    body += "<li>" + what + ": " + VrfLinks(run, finding["vrfs"]) + "</li>\n";
  }
  if (data["findings"].empty()) body += "<li>none</li>\n";
  body += "</ul>\n<h2>VPNs</h2>\n<ul>\n";
  for (const Json& vpn : data["vpns"]) {
    std::string members = VrfLinks(run, vpn["vrfs"]);
    if (vpn.contains("hubs")) {
      Json spokes = Json::array();
      for (const Json& vrf : vpn["vrfs"]) {
        if (std::find(vpn["hubs"].begin(), vpn["hubs"].end(), vrf) == vpn["hubs"].end()) {
          spokes.push_back(vrf);
        }
      }
      members = "hubs " + VrfLinks(run, vpn["hubs"]) + "; spokes " + VrfLinks(run, spokes);
    }
    body += "<li>" + Escape(Shown(vpn["kind"])) + ": " + members + "</li>\n";
  }
  body += "</ul>\n<figure><img src=\"" + Escape(RunUrl(run) + "/vpns.svg") +
          "\" alt=\"VPNs\"></figure>\n<h2>Route targets</h2>\n" +
          TableStart("targets", {"route target", "exported by", "imported by"});
  for (const Json& target : data["routeTargets"]) {
    body += "<tr>" + Cell(target["routeTarget"]) + "<td>" + VrfLinks(run, target["exporters"]) +
            "</td><td>" + VrfLinks(run, target["importers"]) + "</td></tr>\n";
  }
  body += kTableEnd + Pager(RunUrl(run) + "/vpns?device=" + UrlPart(only) + "&", answer.offset,
                            answer.limit, answer.total);
  return Page("VPNs of run " + Shown(run), body);
}

std::string DiffPage(const Answer& answer, const Query& query) {
  const Json& data = answer.data;
  const Json& a = data["runA"]["id"];
  const Json& b = data["runB"]["id"];
  std::string body = "<p>" + Link(RunUrl(a), "run " + Shown(a)) + " &rarr; " +
                     Link(RunUrl(b), "run " + Shown(b)) + "</p>\n<pre class=\"diff\">" +
                     Escape(answer.text) + "\n";
  const Json& devices = data["devices"];
  if (answer.total == 0) body += "no changes\n";
  for (size_t i = 0; i < devices.size() && i < answer.blocks.size(); ++i) {
    const std::string name = Shown(devices[i]["device"]);
    const std::string& block = answer.blocks[i];
    const Json& in = devices[i]["change"] == "disappeared" ? a : b;
    // The device's name, where the block names it, becomes its link.
    if (block.compare(2, name.size(), name) == 0) {
      body += Escape(block.substr(0, 2)) + Link(DeviceUrl(in, name), name) +
              Escape(block.substr(2 + name.size()));
    } else {
      body += Link(DeviceUrl(in, name), name) + "\n" + Escape(block);
    }
  }
  const auto device = query.find("device");
  const std::string only = device == query.end() ? "" : device->second;
  body += "</pre>\n" +
          Pager("/diff?a=" + Shown(a) + "&b=" + Shown(b) + "&device=" + UrlPart(only) + "&",
                answer.offset, answer.limit, answer.total);
  return Page("Changes from run " + Shown(a) + " to run " + Shown(b), body);
}

std::string ProblemPage(int status, const std::string& message) {
  const char* title = status == 404 ? "Not found" : status == 400 ? "Bad request" : "Cannot answer";
  return Page(title, "<p class=\"bad\">" + Escape(message) + "</p>\n<p>" + Link("/", "All runs") +
                         "</p>\n");
}

}  // namespace web
