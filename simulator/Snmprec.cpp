#include "simulator/Snmprec.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

struct Record {
  std::vector<unsigned long> oid;
  std::string line;
};

bool ParseOid(std::string text, std::vector<unsigned long>& oid) {
  if (!text.empty() && text[0] == '.') text.erase(0, 1);
  if (text.empty()) return false;
  std::istringstream parts(text);
  std::string part;
  while (std::getline(parts, part, '.')) {
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return false;
    oid.push_back(std::strtoul(part.c_str(), nullptr, 10));
  }
  return true;
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

// "up(1)" or "5" -> "1" or "5".
std::string IntegerOf(const std::string& value) {
  const size_t open = value.rfind('(');
  if (!value.empty() && value.back() == ')' && open != std::string::npos) {
    return value.substr(open + 1, value.size() - open - 2);
  }
  return value;
}

}  // namespace

std::string SnmprecFromWalk(const std::string& walk, const std::string& fileName,
                            std::vector<std::string>& warnings) {
  std::vector<std::string> lines;
  std::istringstream in(walk);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::vector<Record> records;
  for (size_t next = 0; next < lines.size();) {
    const size_t number = next + 1;
    const std::string line = lines[next++];
    const size_t equals = line.find(" = ");
    if (equals == std::string::npos) continue;  // a continuation line of a value
    Record record;
    auto skip = [&](const char* why) {
      warnings.push_back(fileName + ":" + std::to_string(number) + ": " + why);
    };
    if (!ParseOid(line.substr(0, equals), record.oid)) {
      skip("not a numeric OID, not served");
      continue;
    }
    std::string value = line.substr(equals + 3);
    if (value.compare(0, 3, "No ") == 0) continue;  // "No Such Object ..."
    std::string type = "STRING";
    if (!value.empty() && value[0] != '"') {
      const size_t colon = value.find(": ");
      type = colon == std::string::npos ? value : value.substr(0, colon);
      value = colon == std::string::npos ? "" : value.substr(colon + 2);
    }
    std::string oid;
    for (unsigned long part : record.oid) oid += (oid.empty() ? "" : ".") + std::to_string(part);
    std::string served;
    if (type == "INTEGER") {
      served = "2|" + IntegerOf(value);
    } else if (type == "STRING") {
      std::string text;
      if (!value.empty() && value[0] == '"') {
        // A quoted string may run over several lines.
        std::string rest = value.substr(1);
        for (bool closed = false; !closed;) {
          for (size_t i = 0; i < rest.size() && !closed; ++i) {
            if (rest[i] == '\\' && i + 1 < rest.size()) {
              text += rest[++i];
            } else if (rest[i] == '"') {
              closed = true;
            } else {
              text += rest[i];
            }
          }
          if (closed || next >= lines.size()) break;
          text += '\n';
          rest = lines[next++];
        }
      } else {
        text = value;
      }
      served = "4x|" + Hex(text);
    } else if (type == "Hex-STRING") {
      std::string hex = value;
      while (next < lines.size() && lines[next].find(" = ") == std::string::npos &&
             lines[next].find_first_not_of("0123456789ABCDEFabcdef ") == std::string::npos) {
        hex += " " + lines[next++];
      }
      hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
      served = "4x|" + hex;
    } else if (type == "IpAddress") {
      served = "64|" + value;
    } else if (type == "Counter32") {
      served = "65|" + value;
    } else if (type == "Gauge32") {
      served = "66|" + value;
    } else if (type == "Timeticks") {
      served = "67|" + IntegerOf(value.substr(0, value.find(')') + 1));
    } else if (type == "OID") {
      served = "6|" + value.substr(value[0] == '.' ? 1 : 0);
    } else {
      skip("a value type not served");
      continue;
    }
    record.line = oid + "|" + served + "\n";
    records.push_back(record);
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const Record& a, const Record& b) { return a.oid < b.oid; });
  std::string snmprec;
  for (const Record& record : records) snmprec += record.line;
  return snmprec;
}
