// One row of an SNMP column walk, and the columns that discovery walks by name.
#ifndef CAPTURES_SNMPROW_H_
#define CAPTURES_SNMPROW_H_

#include <string>
#include <vector>

struct SnmpRow {
  enum class Type { kInteger, kString, kHexString, kIpAddress, kUnsigned, kTimeticks, kOid };
  std::vector<unsigned int> instance;  // the OID's part after the column
  Type type = Type::kString;
  int intValue = 0;  // kInteger
  std::string text;  // every other type, as a walk prints it ("10.1.1.1", "00 1A 2B")
};

// ".1.3.6.1.2.1.2.2.1.2" for "ifDescr"; null for a column we have no number for.
const char* SnmpColumnOid(const std::string& name);

// The row as `snmpwalk -On` prints it:
//   .1.3.6.1.2.1.2.2.1.2.7 = STRING: "ATM2/0.1"
std::string SnmpWalkLine(const std::string& columnOid, const SnmpRow& row);

#endif  // CAPTURES_SNMPROW_H_
