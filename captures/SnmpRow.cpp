#include "captures/SnmpRow.h"

#include "host/KelSnmp.h"

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

const char* SnmpColumnOid(const std::string& name) {
  for (const KelMibColumn& column : KelMibColumns()) {
    if (name == column.name) return column.oid;
  }
  return nullptr;
}

std::string SnmpWalkLine(const std::string& columnOid, const SnmpRow& row) {
  std::string line = columnOid;
  for (unsigned int part : row.instance) line += "." + std::to_string(part);
  line += " = ";
  switch (row.type) {
    case SnmpRow::Type::kInteger:
      return line + "INTEGER: " + std::to_string(row.intValue);
    case SnmpRow::Type::kString:
      return line + "STRING: " + Quoted(row.text);
    case SnmpRow::Type::kHexString:
      return line + "Hex-STRING: " + row.text;
    case SnmpRow::Type::kIpAddress:
      return line + "IpAddress: " + row.text;
    case SnmpRow::Type::kUnsigned:
      return line + "Gauge32: " + row.text;
    case SnmpRow::Type::kTimeticks:
      return line + "Timeticks: " + row.text;
    case SnmpRow::Type::kOid:
      return line + "OID: " + row.text;
  }
  return line;
}
