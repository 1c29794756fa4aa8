#include "TextReport.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ReportText.h"

namespace {

// Keeps a cell on its line.
std::string OneLine(const std::string& text) {
  std::string line;
  AppendReadable(line, text);
  return line;
}

// One report field as text: lists joined with blanks, a missing value or an
// empty list as "-", an empty text as "".
std::string Cell(const Json& row, const char* key) {
  auto it = row.find(key);
  if (it == row.end()) return "-";
  if (it->is_string()) {
    const std::string text = it->get<std::string>();
    return text.empty() ? "\"\"" : OneLine(text);
  }
  if (!it->is_array()) return it->dump();
  std::string joined;
  for (const Json& element : *it) {
    joined += (joined.empty() ? "" : " ") +
              (element.is_string() ? OneLine(element.get<std::string>()) : element.dump());
  }
  return joined.empty() ? "-" : joined;
}

class Table {
 public:
  explicit Table(std::vector<std::string> heading) : rows_{std::move(heading)} {}
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }

  void Write(std::ostream& out, const std::string& indent) const {
    std::vector<size_t> widths(rows_[0].size(), 0);
    for (const auto& row : rows_) {
      for (size_t c = 0; c < row.size(); ++c) {
        widths[c] = std::max(widths[c], CharacterCount(row[c]));
      }
    }
    for (const auto& row : rows_) {
      std::string line = indent;
      for (size_t c = 0; c < row.size(); ++c) {
        line += row[c];
        if (c + 1 < row.size()) line += std::string(widths[c] - CharacterCount(row[c]) + 2, ' ');
      }
      out << line << "\n";
    }
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

// Writes the section heading; true when there are rows to show.
bool Section(std::ostream& out, const char* title, const Json& rows) {
  out << "\n" << title << " (" << rows.size() << ")\n";
  if (rows.empty()) out << "  (none)\n";
  return !rows.empty();
}

// Each column is a report key; the heading is given beside it.
void WriteRows(std::ostream& out, const Json& rows,
               const std::vector<std::pair<const char*, const char*>>& columns,
               const std::string& indent = "  ") {
  std::vector<std::string> heading;
  for (const auto& column : columns) heading.push_back(column.second);
  Table table(heading);
  for (const Json& row : rows) {
    std::vector<std::string> cells;
    for (const auto& column : columns) cells.push_back(Cell(row, column.first));
    table.Add(cells);
  }
  table.Write(out, indent);
}

}  // namespace

void WriteTextReport(const Json& report, std::ostream& out) {
  out << "Device: " << Cell(report, "device") << "\n";
  out << "Agent:  " << Cell(report, "agent") << "\n";

  const Json none = Json::array();
  auto list = [&](const char* key) -> const Json& {
    auto it = report.find(key);
    return it == report.end() ? none : *it;
  };

  if (Section(out, "Virtual routers", list("virtualRouters"))) {
    WriteRows(out, list("virtualRouters"), {{"name", "Name"}, {"vrfs", "VRFs"}});
  }
  if (Section(out, "Label entries", list("labelEntries"))) {
    WriteRows(out, list("labelEntries"),
              {{"virtualRouter", "VR"}, {"lspName", "LSP"}, {"inLabel", "In"},
               {"outLabel", "Out"}, {"outInterface", "Out interface"},
               {"outIfIndex", "Out ifIndex"}, {"nextHop", "Next hop"},
               {"inIfIndexes", "In ifIndexes"}, {"inInterfaces", "In interfaces"}});
  }
  if (Section(out, "VRFs", list("vrfs"))) {
    WriteRows(out, list("vrfs"),
              {{"virtualRouter", "VR"}, {"name", "Name"}, {"routeDistinguisher", "RD"},
               {"exportRouteTargets", "Export RTs"}, {"importRouteTargets", "Import RTs"},
               {"ifIndexes", "ifIndexes"}});
    for (const Json& vrf : list("vrfs")) {
      auto impositions = vrf.find("impositions");
      if (impositions == vrf.end() || impositions->empty()) continue;
      out << "  Impositions of " << Cell(vrf, "virtualRouter") << "/" << Cell(vrf, "name")
          << " (" << impositions->size() << ")\n";
      WriteRows(out, *impositions,
                {{"label", "Label"}, {"destination", "Destination"}, {"ifIndex", "ifIndex"},
                 {"interface", "Interface"}, {"nextHop", "Next hop"}},
                "    ");
    }
  }
  if (Section(out, "Interfaces", list("interfaces"))) {
    WriteRows(out, list("interfaces"),
              {{"ifIndex", "ifIndex"}, {"ifDescr", "ifDescr"}, {"virtualRouter", "VR"},
               {"vrf", "VRF"}});
  }
  if (Section(out, "IP addresses", list("ipAddresses"))) {
    WriteRows(out, list("ipAddresses"),
              {{"virtualRouter", "VR"}, {"address", "Address"}, {"ifIndex", "ifIndex"}});
  }
  if (Section(out, "Errors", list("errors"))) {
    WriteRows(out, list("errors"),
              {{"code", "Code"}, {"source", "Source"}, {"line", "Line"}, {"text", "Text"}});
  }
  if (Section(out, "Warnings", list("warnings"))) {
    WriteRows(out, list("warnings"), {{"virtualRouter", "VR"}, {"vrf", "VRF"}, {"text", "Text"}});
  }
  size_t impositions = 0;
  for (const Json& vrf : list("vrfs")) impositions += vrf.value("impositions", none).size();
  out << "\n" << list("labelEntries").size() << " label entries, " << list("vrfs").size()
      << " VRFs, " << impositions << " impositions, " << list("errors").size() << " errors, "
      << list("warnings").size() << " warnings\n";
}
