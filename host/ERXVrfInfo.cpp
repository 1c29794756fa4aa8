// The VRFs of one virtual router, and the two Telnet helpers of the VRF work.
#include <algorithm>
#include <iostream>
#include <string_view>

#include "host/ERXHost.h"
#include "readers/TextLines.h"
#include "readers/VirtualRouterCommand.h"

// ---- "show ip vrf detail" ----
//
// No capture of this command was available. The layout accepted, one block
// per VRF:
//
//   VRF red; default RD 100:1
//     Description: customer red
//     Interfaces:
//       ATM2/0.10
//       GigabitEthernet 4/0
//     Export VPN route-target communities
//       RT:100:1
//     Import VPN route-target communities
//       RT:100:1  RT:100:2
//
// - A block starts at a line whose first word is "VRF"; the next word is the
//   name. The word after "RD" on that line is the route distinguisher ("<not
//   set>" gives an empty one). A trailing ";" or "," belongs to neither.
// - Inside a block, a line starting with "Interfaces", "Export" or "Import"
//   opens a section; the lines indented deeper than that heading belong to it.
//   Any other line at the heading's depth closes the section.
// - Interfaces: one per line, blanks inside a name kept ("tun mpls:1").
//   Route targets: several per line, separated by blanks, "RT:" dropped.
// - Text before the first block (prompts, headings) is ignored. Every VRF gets
//   a row in all five tables, empty where the block had nothing.
namespace {

enum class Section { kNone, kInterfaces, kImport, kExport };

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// In columns, tabs stopping every eight.
size_t Indent(std::string_view line) {
  size_t column = 0;
  for (size_t i = 0; i < line.size() && (line[i] == ' ' || line[i] == '\t'); ++i) {
    column = line[i] == '\t' ? (column / 8 + 1) * 8 : column + 1;
  }
  return column;
}

std::string WithoutSeparator(std::string_view word) {
  while (!word.empty() && (word.back() == ';' || word.back() == ',')) word.remove_suffix(1);
  return std::string(word);
}

// The word after "RD" on a VRF's first line.
std::string RouteDistinguisher(std::string_view line) {
  std::string rd;
  bool afterRd = false, found = false;
  readers::ForEachWord(line, [&](std::string_view word) {
    if (afterRd) {
      rd = WithoutSeparator(word);
      found = true;
    }
    afterRd = word == "RD";
    return !found;
  });
  return rd.compare(0, 4, "<not") == 0 ? "" : rd;
}

Section SectionOf(std::string_view firstWord) {
  if (firstWord.substr(0, 10) == "Interfaces") return Section::kInterfaces;
  if (firstWord == "Import") return Section::kImport;
  if (firstWord == "Export") return Section::kExport;
  return Section::kNone;
}

std::string WithoutRTPrefix(std::string_view target) {
  return std::string(target.substr(0, 3) == "RT:" ? target.substr(3) : target);
}

}  // namespace

bool ERXGetGeneralVRFInfo(const char* reply, std::vector<std::string>& names,
                          std::vector<std::string>& routeDistinguishers,
                          std::vector<std::vector<std::string>>& interfaces,
                          std::vector<std::vector<std::string>>& importRTs,
                          std::vector<std::vector<std::string>>& exportRTs, bool verbose) {
  if (!reply) return false;
  bool inBlock = false;
  Section section = Section::kNone;
  size_t headingIndent = 0;
  // Only the first word of most lines is looked at: a huge line of many words
  // costs no list of them.
  readers::ForEachLine(reply, [&](std::string_view line) {
    const std::string_view first = readers::FirstWordOf(line);
    if (first.empty()) return;
    if (first == "VRF") {
      std::string_view name;
      readers::ForEachWord(line.substr(first.data() - line.data() + first.size()),
                           [&](std::string_view word) {
                             name = word;
                             return false;
                           });
      if (!name.empty()) {
        names.push_back(WithoutSeparator(name));
        routeDistinguishers.push_back(RouteDistinguisher(line));
        interfaces.emplace_back();
        importRTs.emplace_back();
        exportRTs.emplace_back();
        inBlock = true;
        section = Section::kNone;
        return;
      }
    }
    if (!inBlock) return;
    const size_t indent = Indent(line);
    if (section != Section::kNone && indent > headingIndent) {
      if (section == Section::kInterfaces) {
        interfaces.back().push_back(Trimmed(line));
      } else {
        auto& targets = section == Section::kImport ? importRTs.back() : exportRTs.back();
        readers::ForEachWord(line, [&](std::string_view word) {
          targets.push_back(WithoutRTPrefix(word));
          return true;
        });
      }
      return;
    }
    section = SectionOf(first);
    headingIndent = indent;
  });
  if (verbose) {
    for (size_t i = 0; i < names.size(); ++i) {
      std::cout << "VRF " << names[i] << " RD '" << routeDistinguishers[i] << "' "
                << interfaces[i].size() << " interfaces, " << importRTs[i].size() << " import and "
                << exportRTs[i].size() << " export route targets" << std::endl;
    }
  }
  return true;
}

// ---- Telnet helpers ----

// The parts of a wrapped name are joined without the line break and the blanks
// around it; with keepBlanks one blank stands where the break was.
void ERXStripNewLineOutInterfaceDescr(const std::string& in, std::string& out, bool keepBlanks) {
  std::string joined;
  size_t pos = 0;
  while (pos <= in.size()) {
    const size_t lineEnd = std::min(in.find_first_of("\r\n", pos), in.size());
    const std::string part = Trimmed(std::string_view(in).substr(pos, lineEnd - pos));
    if (!part.empty()) {
      if (!joined.empty() && keepBlanks) joined += ' ';
      joined += part;
    }
    pos = lineEnd + 1;
  }
  out = joined;
}

const char* ERXGetTelnet4VR(CKelRecord* record, CPelkStdRequester* requester,
                            const std::string& vrName, const char* command,
                            CKelAtomVector** holder) {
  if (holder) *holder = nullptr;
  if (!requester || !command || !holder) return nullptr;
  auto* commands = new CKelAtomVector(2);
  commands->RAVAddToEnd(new CKelAtom(SwitchCommand(vrName).c_str()));
  commands->RAVAddToEnd(new CKelAtom(command));
  *holder = requester->DSRGetTELNET(record, commands);
  if (!*holder || (*holder)->RAVSize() != 2) return nullptr;
  return (*holder)->RAVGetValue(1)->RAString();
}
