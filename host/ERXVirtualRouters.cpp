// Finding a router's virtual routers and their VRFs.
//
// No capture of these two commands was available, so the layouts below are our
// best reading of the router's table style; both parsers live here so that a
// real capture can correct them in one place.
//
// "show virtual-router": a heading line, an optional dash rule, then one line
// per virtual router whose first word is its name:
//     Virtual Router   Router ID        Type
//     --------------   ---------        ----
//     default          10.255.0.1       default
//     vr1              10.255.1.1       user
// "show ip vrf" (inside one virtual router): a heading that starts with "Name",
// then one line per VRF at the heading's indentation, first word the VRF name;
// lines indented further continue the VRF above (more interfaces):
//     Name          Default RD        Interfaces
//     red           100:1             ATM2/0.10
//                                     ATM2/0.11
//     blue          100:2
#include <cctype>
#include <string_view>

#include "host/ERXHost.h"
#include "host/TextLines.h"

namespace {

using pelk::ForEachLine;

size_t Indent(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
  return n;
}

std::string_view FirstWord(std::string_view line) {
  size_t start = Indent(line);
  size_t end = start;
  while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
  return line.substr(start, end - start);
}

bool IsName(std::string_view word) {
  if (word.empty()) return false;
  for (unsigned char c : word) {
    if (!std::isalnum(c) && c != '_' && c != '-' && c != '.') return false;
  }
  return word.find_first_not_of('-') != std::string_view::npos;
}

bool IsRule(std::string_view line) {
  size_t start = Indent(line);
  return start < line.size() && line[start] == '-' &&
         line.find_first_not_of("- \t", start) == std::string_view::npos;
}

std::vector<std::string> ParseVirtualRouters(const char* reply) {
  std::vector<std::string> names;
  bool inTable = false;
  ForEachLine(reply, [&](std::string_view line) {
    const std::string_view word = FirstWord(line);
    if (word.empty() || IsRule(line)) return;
    if (!inTable) {
      // The heading opens the table; anything before it is ignored.
      inTable = line.find("Virtual") != std::string_view::npos || word == "Name";
      return;
    }
    if (IsName(word)) names.emplace_back(word);
  });
  return names;
}

std::vector<std::string> ParseVrfs(const char* reply) {
  std::vector<std::string> names;
  bool inTable = false;
  size_t tableIndent = 0;
  ForEachLine(reply, [&](std::string_view line) {
    const std::string_view word = FirstWord(line);
    if (word.empty() || IsRule(line)) return;
    if (!inTable) {
      if (word == "Name" || word == "VRF") {
        inTable = true;
        tableIndent = Indent(line);
      }
      return;
    }
    if (Indent(line) <= tableIndent && IsName(word)) names.emplace_back(word);
  });
  return names;
}

}  // namespace

bool ERXFindVirtRtrVRF(CKelRecord* record, CPelkStdRequester* requester,
                       std::vector<std::string>& vrList,
                       std::vector<std::vector<std::string>>& vrfTable) {
  if (!requester) return false;
  auto* ask = new CKelAtomVector(1);
  ask->RAVAddToEnd(new CKelAtom("show virtual-router"));
  CKelAtomVector* reply = requester->DSRGetTELNET(record, ask);
  std::vector<std::string> found;
  if (reply && reply->RAVSize() == 1) found = ParseVirtualRouters(reply->RAVGetValue(0)->RAString());
  delete reply;
  if (found.empty()) return false;

  auto* commands = new CKelAtomVector(2 * found.size());
  for (const std::string& vr : found) {
    commands->RAVAddToEnd(new CKelAtom(("virtual-router " + vr).c_str()));
    commands->RAVAddToEnd(new CKelAtom("show ip vrf"));
  }
  reply = requester->DSRGetTELNET(record, commands);
  const bool complete = reply && reply->RAVSize() == static_cast<int>(2 * found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    vrList.push_back(found[i]);
    vrfTable.push_back(complete ? ParseVrfs(reply->RAVGetValue(static_cast<int>(2 * i + 1))->RAString())
                                : std::vector<std::string>());
  }
  delete reply;
  return complete;
}
