#include "readers/VirtualRouterTables.h"

#include <cctype>

#include "readers/TextLines.h"

namespace {

size_t Indent(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
  return n;
}

std::string_view FirstWord(std::string_view line) {
  const size_t start = Indent(line);
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
  const size_t start = Indent(line);
  return start < line.size() && line[start] == '-' &&
         line.find_first_not_of("- \t", start) == std::string_view::npos;
}

}  // namespace

std::vector<std::string> VirtualRoutersOf(std::string_view reply) {
  std::vector<std::string> names;
  bool inTable = false;
  readers::ForEachLine(reply, [&](std::string_view line) {
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

std::vector<std::string> VrfsOf(std::string_view reply) {
  std::vector<std::string> names;
  bool inTable = false;
  size_t tableIndent = 0;
  readers::ForEachLine(reply, [&](std::string_view line) {
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
