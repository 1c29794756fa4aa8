// The one reader of `snmpwalk -On` text: each object of a walk, its value
// taken as the walk printed it, for the rooms that make rows of it (replay)
// or serve it again (the simulator).
//
//   .1.3.6.1.2.1.2.2.1.2.7 = STRING: "ATM2/0.1"   -> name, STRING, ATM2/0.1
//   IF-MIB::ifAdminStatus.7 = INTEGER: up(1)       -> name, INTEGER, up(1)
//   .1.3.6.1.2.1.2.2.1.6.1 = Hex-STRING: 00 90     -> name, Hex-STRING, 00 90 1A
//   1A                                                (the value's next line)
//
//   SnmpWalkReader reader(text);
//   for (WalkObject object; reader.Next(object);) {
//     if (!object.problem.empty()) warnings.push_back(WalkWarning("snmp.walk", object,
//     object.problem));
//   }
#ifndef CAPTURES_SNMPWALKREADER_H_
#define CAPTURES_SNMPWALKREADER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct WalkObject {
  size_t line = 0;        // where it begins, from 1
  std::string_view text;  // that line as the file has it, for warnings
  std::string name;       // the object identifier as written; "" on a line that is no object
  std::string type;       // "INTEGER", "STRING", "Hex-STRING", "NULL", "Counter32", ...
  std::string value;      // a quoted string unquoted; a hex string's lines joined by blanks
  bool answered = true;   // false for "No Such Object", "No Such Instance", "No more variables"
  std::string problem;    // why the line cannot be read: not an object, or its value
};

class SnmpWalkReader {
 public:
  // Keeps views into `text`, which must outlive the reader: a walk of a
  // million rows is read without a second copy.
  explicit SnmpWalkReader(const std::string& text);

  // The next object, or a line that cannot be read (`problem` set); false at
  // the end. Blank lines are passed over.
  bool Next(WalkObject& object);

 private:
  void ReadValue(std::string value, WalkObject& object);
  void ReadQuoted(const std::string& first, WalkObject& object);

  std::vector<std::string_view> lines_;
  size_t next_ = 0;
};

// "FILE:LINE: WHY: THE LINE", the line quoted as WalkQuoted does.
std::string WalkWarning(const std::string& fileName, const WalkObject& object,
                        const std::string& why);

// At most 80 characters of `line`, bytes outside printable ASCII as \xNN, so
// that no terminal or log reading a warning is disturbed by what a file held.
std::string WalkQuoted(std::string_view line);

// An INTEGER value: "5", "-3" or "up(1)"; null when it is none.
std::optional<int> WalkInteger(const std::string& value);

#endif  // CAPTURES_SNMPWALKREADER_H_
