#include "simulator/Snmprec.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "captures/SnmpWalkReader.h"
#include "host/KelSnmp.h"

namespace {

struct Record {
  std::vector<unsigned int> oid;
  std::string line;
};

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

// "TYPE|VALUE" of snmpsim for the object, or what keeps it from being served.
std::optional<std::string> Served(const WalkObject& object, std::string& why) {
  const std::string& type = object.type;
  const std::string& value = object.value;
  if (type == "INTEGER") {
    const std::optional<int> number = WalkInteger(value);
    if (!number) why = "INTEGER value is not a number";
    return number ? std::optional<std::string>("2|" + std::to_string(*number)) : std::nullopt;
  }
  if (type == "STRING") return "4x|" + Hex(value);
  if (type == "Hex-STRING") {
    std::string hex = value;
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    return "4x|" + hex;
  }
  if (type == "IpAddress") return "64|" + value;
  if (type == "Counter32") return "65|" + value;
  if (type == "Gauge32") return "66|" + value;
  if (type == "Timeticks") {
    // "(12345) 0:02:03.45"
    const std::optional<int> ticks = WalkInteger(value.substr(0, value.find(')') + 1));
    if (ticks) return "67|" + std::to_string(*ticks);
  }
  if (type == "OID") return "6|" + value.substr(!value.empty() && value[0] == '.' ? 1 : 0);
  why = "a value type not served";
  return std::nullopt;
}

}  // namespace

std::string SnmprecFromWalk(const std::string& walk, const std::string& fileName,
                            std::vector<std::string>& warnings) {
  std::vector<Record> records;
  SnmpWalkReader reader(walk);
  for (WalkObject object; reader.Next(object);) {
    if (!object.problem.empty()) {
      warnings.push_back(WalkWarning(fileName, object, object.problem));
      continue;
    }
    Record record;
    if (!CKelASN1Address::Parse(object.name, record.oid)) {
      warnings.push_back(WalkWarning(fileName, object, "not a numeric OID, not served"));
      continue;
    }
    if (!object.answered) continue;
    std::string why;
    const std::optional<std::string> served = Served(object, why);
    if (!served) {
      warnings.push_back(WalkWarning(fileName, object, why));
      continue;
    }
    CKelASN1Address oid(record.oid);
    record.line = std::string(oid.RAAAsString()) + "|" + *served + "\n";
    records.push_back(std::move(record));
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const Record& a, const Record& b) { return a.oid < b.oid; });
  std::string snmprec;
  for (const Record& record : records) snmprec += record.line;
  return snmprec;
}
