#include "SnmpRow.h"

namespace {

struct Column {
  const char* name;
  const char* oid;
};

// The interface and IP address tables, the columns discovery asks for.
const Column kColumns[] = {
    {"ifIndex", ".1.3.6.1.2.1.2.2.1.1"},         {"ifDescr", ".1.3.6.1.2.1.2.2.1.2"},
    {"ifType", ".1.3.6.1.2.1.2.2.1.3"},          {"ifMtu", ".1.3.6.1.2.1.2.2.1.4"},
    {"ifSpeed", ".1.3.6.1.2.1.2.2.1.5"},         {"ifPhysAddress", ".1.3.6.1.2.1.2.2.1.6"},
    {"ifAdminStatus", ".1.3.6.1.2.1.2.2.1.7"},   {"ifOperStatus", ".1.3.6.1.2.1.2.2.1.8"},
    {"ipAdEntAddr", ".1.3.6.1.2.1.4.20.1.1"},    {"ipAdEntIfIndex", ".1.3.6.1.2.1.4.20.1.2"},
    {"ipAdEntNetMask", ".1.3.6.1.2.1.4.20.1.3"}, {"ifName", ".1.3.6.1.2.1.31.1.1.1.1"},
    {"ifAlias", ".1.3.6.1.2.1.31.1.1.1.18"},
};

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
  for (const Column& column : kColumns) {
    if (name == column.name) return column.oid;
  }
  return nullptr;
}

std::string SnmpWalkLine(const std::string& columnOid, const SnmpRow& row) {
  std::string line = columnOid;
  for (unsigned int part : row.instance) line += "." + std::to_string(part);
  line += " = ";
  switch (row.type) {
    case SnmpRow::Type::kInteger: return line + "INTEGER: " + std::to_string(row.intValue);
    case SnmpRow::Type::kString: return line + "STRING: " + Quoted(row.text);
    case SnmpRow::Type::kHexString: return line + "Hex-STRING: " + row.text;
    case SnmpRow::Type::kIpAddress: return line + "IpAddress: " + row.text;
    case SnmpRow::Type::kUnsigned: return line + "Gauge32: " + row.text;
    case SnmpRow::Type::kTimeticks: return line + "Timeticks: " + row.text;
    case SnmpRow::Type::kOid: return line + "OID: " + row.text;
  }
  return line;
}
