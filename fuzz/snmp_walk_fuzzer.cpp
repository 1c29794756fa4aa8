// The reader of captured SNMP walks on arbitrary files: each row is a column's
// row with a readable instance, and each warning names the file and a line of it.
#include <string>
#include <vector>

#include "captures/SnmpWalkFile.h"
#include "fuzz/support/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> warnings;
  const WalkColumns columns = ParseSnmpWalk(text, "fuzz.walk", warnings);
  for (const auto& [name, rows] : columns) {
    FuzzCheck(!name.empty() && !rows.empty(), "an empty column");
  }
  for (const std::string& warning : warnings) {
    FuzzCheck(warning.compare(0, 10, "fuzz.walk:") == 0, "a warning that does not name the file");
  }
  return 0;
}
