#include "report/TextReport.h"

#include <algorithm>
#include <string>
#include <vector>

#include "report/ReportText.h"

namespace {

using report::Number;
using report::Numbers;
using report::Text;
using report::Texts;
using Row = std::vector<std::string>;

// Cells: a missing value or an empty list as "-", an empty text as "", list
// elements joined with blanks.
std::string Cell(const std::string& text) {
  if (text.empty()) return "\"\"";
  std::string cell;
  AppendReadable(cell, text);
  return cell;
}
std::string Cell(int number) { return std::to_string(number); }
std::string Cell(const Text& text) { return text ? Cell(*text) : "-"; }
std::string Cell(const report::SparseText& text) { return text ? Cell(*text) : "-"; }
std::string Cell(const Number& number) { return number ? Cell(*number) : "-"; }

template <typename Element, typename Show>
std::string Joined(const std::optional<std::vector<Element>>& list, Show show) {
  std::string joined;
  if (!list) return "-";
  for (const Element& element : *list) {
    if (!joined.empty()) joined += ' ';
    show(joined, element);
  }
  return joined.empty() ? "-" : joined;
}
std::string Cell(const Texts& texts) {
  return Joined(texts,
                [](std::string& out, const std::string& text) { AppendReadable(out, text); });
}
std::string Cell(const Numbers& numbers) {
  return Joined(numbers, [](std::string& out, int number) { out += std::to_string(number); });
}

// Columns as wide as their widest cell in characters, two blanks apart.
void WriteTable(std::ostream& out, const std::string& indent, const std::vector<Row>& rows) {
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const Row& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      widths[c] = std::max(widths[c], CharacterCount(row[c]));
    }
  }
  std::string line;
  for (const Row& row : rows) {
    line = indent;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - CharacterCount(row[c]) + 2, ' ');
    }
    line += '\n';
    out << line;
  }
}

// The heading line, then `cells(row)` of every row under `heading`.
template <typename Item, typename Cells>
void WriteRows(std::ostream& out, const std::vector<Item>& items, Row heading, Cells cells,
               const std::string& indent = "  ") {
  std::vector<Row> rows;
  rows.reserve(items.size() + 1);
  rows.push_back(std::move(heading));
  for (const Item& item : items) rows.push_back(cells(item));
  WriteTable(out, indent, rows);
}

// Writes the section heading; true when there are rows to show.
template <typename Item>
bool Section(std::ostream& out, const char* title, const std::vector<Item>& rows) {
  out << "\n" << title << " (" << rows.size() << ")\n";
  if (rows.empty()) out << "  (none)\n";
  return !rows.empty();
}

// The module's entries, as it reads the LSP-oriented layout.
void WriteModuleEntries(std::ostream& out, const std::vector<report::LabelEntry>& entries) {
  WriteRows(out, entries,
            {"VR", "LSP", "In", "Out", "Out interface", "Out ifIndex", "Next hop", "In ifIndexes",
             "In interfaces"},
            [](const report::LabelEntry& e) {
              return Row{Cell(e.virtualRouter), Cell(e.lspName),      Cell(e.inLabel),
                         Cell(e.outLabel),      Cell(e.outInterface), Cell(e.outIfIndex),
                         Cell(e.nextHop),       Cell(e.inIfIndexes),  Cell(e.inInterfaces)};
            });
}

// Entries of the table by incoming label, under the module's.
void WriteLabelTableEntries(std::ostream& out, const std::vector<report::LabelEntry>& entries) {
  out << "  By incoming label (" << entries.size() << ")\n";
  WriteRows(
      out, entries,
      {"VR", "In", "Owner", "Action", "Out", "Push", "Out interface", "Out ifIndex", "Next hop",
       "Label space"},
      [](const report::LabelEntry& e) {
        std::string action = Cell(e.action);
        if (e.actionText) action += ": " + Cell(*e.actionText);
        return Row{Cell(e.virtualRouter), e.inLabel ? Cell(e.inLabel) : Cell(e.inInterface),
                   Cell(e.owner),         action,
                   Cell(e.outLabel),      Cell(e.pushLabels),
                   Cell(e.outInterface),  Cell(e.outIfIndex),
                   Cell(e.nextHop),       Cell(e.labelSpace)};
      },
      "    ");
}

// The module's entries alone when the table by incoming label has none;
// otherwise the module's first, then the table's.
void WriteLabelEntries(std::ostream& out, const std::vector<report::LabelEntry>& entries) {
  const auto byLabel = [](const report::LabelEntry& e) { return e.layout.has_value(); };
  if (std::none_of(entries.begin(), entries.end(), byLabel)) {
    WriteModuleEntries(out, entries);
    return;
  }
  std::vector<report::LabelEntry> moduleEntries, labelTable;
  for (const report::LabelEntry& e : entries) {
    (byLabel(e) ? labelTable : moduleEntries).push_back(e);
  }
  if (!moduleEntries.empty()) WriteModuleEntries(out, moduleEntries);
  WriteLabelTableEntries(out, labelTable);
}

void WriteImpositions(std::ostream& out, const report::Vrf& vrf) {
  out << "  Impositions of " << Cell(vrf.virtualRouter) << "/" << Cell(vrf.name) << " ("
      << vrf.impositions->size() << ")\n";
  WriteRows(
      out, *vrf.impositions, {"Label", "Destination", "ifIndex", "Interface", "Next hop"},
      [](const report::Imposition& i) {
        return Row{Cell(i.label), Cell(i.destination), Cell(i.ifIndex), Cell(i.interface),
                   Cell(i.nextHop)};
      },
      "    ");
}

// The VRFs, then the impositions of each; returns how many impositions.
size_t WriteVrfs(std::ostream& out, const std::vector<report::Vrf>& vrfs) {
  WriteRows(out, vrfs, {"VR", "Name", "RD", "Export RTs", "Import RTs", "ifIndexes"},
            [](const report::Vrf& vrf) {
              return Row{Cell(vrf.virtualRouter),      Cell(vrf.name),
                         Cell(vrf.routeDistinguisher), Cell(vrf.exportRouteTargets),
                         Cell(vrf.importRouteTargets), Cell(vrf.ifIndexes)};
            });
  size_t impositions = 0;
  for (const report::Vrf& vrf : vrfs) {
    if (!vrf.impositions || vrf.impositions->empty()) continue;
    impositions += vrf.impositions->size();
    WriteImpositions(out, vrf);
  }
  return impositions;
}

// What answered, before what was found: a report of a device that did not
// answer must say so before its empty tables.
void WriteHealth(const report::Health& h, std::ostream& out) {
  out << "Health: " << HealthStatusName(h.status) << "\n";
  out << "  CLI " << Cell(h.cliSource) << ": " << h.commandsSent << " commands sent, "
      << h.commandsAnswered << " answered, " << h.commandsRefused << " refused, "
      << h.commandsTimedOut << " timed out, " << h.commandsCutOff << " cut off, "
      << h.commandsNotSent << " not sent, " << h.reconnections << " reconnections";
  if (!h.typeAheadLostAt.empty()) {
    out << "; one at a time from \"" << Cell(h.typeAheadLostAt)
        << "\" on, the router lost commands typed ahead";
  }
  out << "\n";
  out << "  SNMP " << Cell(h.snmpSource) << ": " << h.walksAnswered << " walks answered, "
      << h.walksUnanswered << " unanswered";
  if (!h.silentContexts.empty()) {
    out << " (silent: " << Cell(Texts(h.silentContexts)) << ")";
  }
  out << "\n";
  for (const std::string& problem : h.problems) out << "  - " << Cell(problem) << "\n";
}

}  // namespace

void WriteTextReport(const report::Report& r, std::ostream& out) {
  out << "Device: " << Cell(r.device) << "\n";
  out << "Agent:  " << Cell(r.agent) << "\n";
  if (!r.generator.empty()) out << "Generator: " << Cell(r.generator) << "\n";
  WriteHealth(r.health, out);

  if (Section(out, "Virtual routers", r.virtualRouters)) {
    WriteRows(out, r.virtualRouters, {"Name", "VRFs"}, [](const report::VirtualRouter& vr) {
      return Row{Cell(vr.name), Cell(vr.vrfs)};
    });
  }
  if (Section(out, "Label entries", r.labelEntries)) WriteLabelEntries(out, r.labelEntries);
  const size_t impositions = Section(out, "VRFs", r.vrfs) ? WriteVrfs(out, r.vrfs) : 0;
  if (Section(out, "Interfaces", r.interfaces)) {
    WriteRows(out, r.interfaces, {"ifIndex", "ifDescr", "VR", "VRF"},
              [](const report::Interface& i) {
                return Row{Cell(i.ifIndex), Cell(i.ifDescr), Cell(i.virtualRouter), Cell(i.vrf)};
              });
  }
  if (Section(out, "IP addresses", r.ipAddresses)) {
    WriteRows(out, r.ipAddresses, {"VR", "Address", "ifIndex"}, [](const report::IpAddress& a) {
      return Row{Cell(a.virtualRouter), Cell(a.address), Cell(a.ifIndex)};
    });
  }
  if (Section(out, "Errors", r.errors)) {
    WriteRows(out, r.errors, {"Code", "Source", "Line", "Text"}, [](const report::Error& e) {
      return Row{Cell(e.code), Cell(e.source), Cell(e.line), Cell(e.text)};
    });
  }
  if (Section(out, "Warnings", r.warnings)) {
    WriteRows(out, r.warnings, {"VR", "VRF", "Text"}, [](const report::Warning& w) {
      return Row{Cell(w.virtualRouter), Cell(w.vrf), Cell(w.text)};
    });
  }
  out << "\n"
      << r.labelEntries.size() << " label entries, " << r.vrfs.size() << " VRFs, " << impositions
      << " impositions, " << r.errors.size() << " errors, " << r.warnings.size() << " warnings\n";
}
