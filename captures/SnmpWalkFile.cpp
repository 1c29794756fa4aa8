#include "captures/SnmpWalkFile.h"

#include <cctype>
#include <optional>
#include <string_view>

#include "captures/SnmpWalkReader.h"
#include "host/KelSnmp.h"

namespace {

const char kMib2[] = ".1.3.6.1.2.1";

enum class Name { kRow, kOtherColumn, kBad };

Name NumericName(const std::string& oid, std::string& column, WalkRow& row) {
  for (const KelMibColumn& known : KelMibColumns()) {
    const std::string_view prefix(known.oid);
    if (oid.size() <= prefix.size() || oid.compare(0, prefix.size(), prefix) != 0 ||
        oid[prefix.size()] != '.') {
      continue;
    }
    if (!CKelASN1Address::Parse(oid.substr(prefix.size() + 1), row.instance)) return Name::kBad;
    column = known.name;
    return Name::kRow;
  }
  std::vector<unsigned int> whole;
  return CKelASN1Address::Parse(oid, whole) ? Name::kOtherColumn : Name::kBad;
}

// ".1.3.6...", "iso.3.6...", "1.3.6...", "IF-MIB::ifDescr.7", "ifDescr.7".
Name ReadName(std::string oid, std::string& column, WalkRow& row) {
  if (oid.empty()) return Name::kBad;
  if (oid.rfind("iso.", 0) == 0) oid = ".1" + oid.substr(3);
  if (std::isdigit(static_cast<unsigned char>(oid[0]))) oid = "." + oid;
  if (oid[0] == '.') return NumericName(oid, column, row);

  const size_t module = oid.find("::");
  if (module != std::string::npos) oid = oid.substr(module + 2);
  const size_t dot = oid.find('.');
  if (dot == 0 || dot == std::string::npos) return Name::kBad;
  if (oid.compare(0, dot, "mib-2") == 0) return NumericName(kMib2 + oid.substr(dot), column, row);
  column = oid.substr(0, dot);
  return CKelASN1Address::Parse(oid.substr(dot + 1), row.instance) ? Name::kRow : Name::kBad;
}

// The object's value into `row`; what is wrong with it otherwise.
std::optional<std::string> ReadRowValue(const WalkObject& object, WalkRow& row) {
  if (!object.problem.empty()) return object.problem;
  if (object.type != "INTEGER") {
    row.text = object.value;
    return std::nullopt;
  }
  const std::optional<int> number = WalkInteger(object.value);
  if (!number) return std::string("INTEGER value is not a number");
  row.isInt = true;
  row.intValue = *number;
  return std::nullopt;
}

}  // namespace

WalkColumns ParseSnmpWalk(const std::string& text, const std::string& fileName,
                          std::vector<std::string>& warnings) {
  WalkColumns columns;
  SnmpWalkReader reader(text);
  for (WalkObject object; reader.Next(object);) {
    if (object.name.empty() && !object.problem.empty()) {
      warnings.push_back(WalkWarning(fileName, object, object.problem));
      continue;
    }
    WalkRow row;
    std::string column;
    const Name name = ReadName(object.name, column, row);
    if (name == Name::kBad) {
      warnings.push_back(WalkWarning(fileName, object, "cannot read the object identifier"));
      continue;
    }
    if (!object.answered) continue;
    if (std::optional<std::string> problem = ReadRowValue(object, row)) {
      warnings.push_back(WalkWarning(fileName, object, *problem));
      continue;
    }
    if (name == Name::kRow) columns[column].push_back(std::move(row));
  }
  return columns;
}
