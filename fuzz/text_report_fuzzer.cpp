// The text report of a report whose texts are arbitrary bytes (see
// support/ReportFromInput.h): every section is written, one line per row.
#include <sstream>
#include <string>

#include "TextReport.h"
#include "support/FuzzInput.h"
#include "support/ReportFromInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Json report = ReportFromInput(data, size);
  std::ostringstream out;
  WriteTextReport(report, out);
  const std::string text = out.str();
  for (const char* heading : {"\nVirtual routers (", "\nLabel entries (", "\nVRFs (",
                              "\nInterfaces (", "\nIP addresses (", "\nErrors ("}) {
    FuzzCheck(text.find(heading) != std::string::npos, "a section is missing");
  }
  return 0;
}
