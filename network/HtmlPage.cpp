#include "network/HtmlPage.h"

#include "report/ReportText.h"

namespace network {

std::string Escape(std::string_view text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size());
  for (char c : valid) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

// The <svg> element alone: the XML declaration and document type have no
// place inside a page.
std::string Inline(const std::string& svg) {
  const size_t start = svg.find("<svg");
  return start == std::string::npos ? std::string() : svg.substr(start);
}

const char kStyle[] =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 8px;text-align:left}"
    "td.n{text-align:right}.bad{color:#d62728}"
    "pre{background:#f6f6f6;padding:8px;white-space:pre-wrap;overflow-wrap:anywhere}"
    "figure{margin:0;overflow:auto}svg{max-width:100%;height:auto}";

void Summary(const PageParts& parts, std::ostream& out) {
  const NetworkRun& run = *parts.run;
  out << "<table><tr><th>device</th><th>status</th><th>label entries</th><th>VRFs</th>"
         "<th>IP addresses</th><th>problem</th></tr>\n";
  size_t next = 0;
  for (const store::StoredDevice& device : run.devices) {
    const report::Report* found = nullptr;
    if (device.hasReport && next < run.routers.size()) found = &run.routers[next++];
    out << "<tr><td>" << Escape(device.name) << "</td><td"
        << (device.status == "ok" ? "" : " class=\"bad\"") << ">" << Escape(device.status)
        << "</td>";
    for (size_t count : {found ? found->labelEntries.size() : 0, found ? found->vrfs.size() : 0,
                         found ? found->ipAddresses.size() : 0}) {
      out << "<td class=\"n\">" << (found ? std::to_string(count) : "-") << "</td>";
    }
    out << "<td>" << Escape(device.problem) << "</td></tr>\n";
  }
  out << "</table>\n";
}

// A page of a few hundred thousand findings is read by nobody: the first
// ones, and where to find the rest.
const size_t kMostFindingsListed = 100;

void More(size_t count, const char* command, std::ostream& out) {
  if (count > kMostFindingsListed) {
    out << "<li>and " << count - kMostFindingsListed << " more (<code>erx-discover " << command
        << "</code> lists them all)</li>\n";
  }
}

void Findings(const PageParts& parts, std::ostream& out) {
  const std::vector<report::Report>& routers = parts.run->routers;
  out << "<h2>Findings</h2>\n<h3>Label paths</h3>\n<ul>\n";
  size_t count = 0;
  for (const Path& path : parts.paths->paths) {
    if (path.end == PathEnd::kEgress) continue;
    if (++count <= kMostFindingsListed) {
      out << "<li>" << Escape(PathLine(routers, *parts.paths, path)) << "</li>\n";
    }
  }
  if (!count) out << "<li>every path reaches its egress</li>\n";
  More(count, "paths", out);
  out << "</ul>\n<h3>VPNs</h3>\n<ul>\n";
  const std::vector<VpnFinding>& findings = parts.vpns->findings;
  for (size_t i = 0; i < findings.size() && i < kMostFindingsListed; ++i) {
    out << "<li>" << Escape(FindingLine(*parts.vpns, findings[i])) << "</li>\n";
  }
  if (findings.empty()) out << "<li>none</li>\n";
  More(findings.size(), "vpns", out);
  out << "</ul>\n";
}

}  // namespace

void WriteHtmlPage(const PageParts& parts, std::ostream& out) {
  const store::StoredRun& run = parts.run->run;
  const std::string title = "Run " + std::to_string(run.id) + " of " + parts.run->storePath;
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
      << Escape(title) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<h1>"
      << Escape(title) << "</h1>\n<p>Started " << Escape(run.startedAt) << ", "
      << (run.finishedAt ? "finished " + Escape(*run.finishedAt) : std::string("not finished"))
      << "; inventory " << Escape(run.inventory) << ".</p>\n";
  Summary(parts, out);
  Findings(parts, out);
  out << "<h2>Label paths</h2>\n<figure>" << Inline(parts.pathsSvg) << "</figure>\n"
      << "<h2>VPNs</h2>\n<figure>" << Inline(parts.vpnsSvg) << "</figure>\n"
      << "<h2>Changes since the run before</h2>\n";
  if (parts.changes.empty()) {
    out << "<p>No finished run before this one.</p>\n";
  } else {
    out << "<pre>" << Escape(parts.changes) << "</pre>\n";
  }
  out << "</body>\n</html>\n";
}

}  // namespace network
