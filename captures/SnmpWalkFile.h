// A captured `snmpwalk -On` output, read into rows per MIB column name.
//
//   .1.3.6.1.2.1.2.2.1.2.7 = STRING: "ATM2/0.1"       -> ifDescr, instance 7, text
//   .1.3.6.1.2.1.2.2.1.7.7 = INTEGER: up(1)           -> ifAdminStatus, 7, int 1
//   IP-MIB::ipAdEntIfIndex.10.1.1.1 = INTEGER: 5      -> ipAdEntIfIndex, 10.1.1.1, int 5
//
// Numeric column OIDs are named from a fixed table (the interface and IP
// address tables); rows of other numeric OIDs are skipped. Symbolic names are
// kept as they stand. INTEGER values become ints, every other type text.
#ifndef CAPTURES_SNMPWALKFILE_H_
#define CAPTURES_SNMPWALKFILE_H_

#include <map>
#include <string>
#include <vector>

struct WalkRow {
  std::vector<unsigned int> instance;  // the OID's part after the column
  bool isInt = false;
  int intValue = 0;
  std::string text;
};

// Column name -> rows in file order.
using WalkColumns = std::map<std::string, std::vector<WalkRow>>;

// A line that cannot be read is skipped with a warning "FILE:LINE: ..." that
// names it; `fileName` is used only in those warnings.
WalkColumns ParseSnmpWalk(const std::string& text, const std::string& fileName,
                          std::vector<std::string>& warnings);

#endif  // CAPTURES_SNMPWALKFILE_H_
