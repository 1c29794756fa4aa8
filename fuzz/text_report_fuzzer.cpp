// The text report of a report whose texts are arbitrary bytes (see
// support/ReportFromInput.h): valid UTF-8 with no control character but tab
// and line end, every section written.
#include <sstream>
#include <string>

#include "fuzz/support/FuzzInput.h"
#include "fuzz/support/ReportFromInput.h"
#include "fuzz/support/TextChecks.h"
#include "report/TextReport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const report::Report report = ReportFromInput(data, size);
  std::ostringstream out;
  WriteTextReport(report, out);
  const std::string text = out.str();
  FuzzCheck(IsUtf8(text), "the text report is not valid UTF-8");
  FuzzCheck(!HasControlCharacter(text), "a control character in the text report");
  for (const char* heading : {"\nVirtual routers (", "\nLabel entries (", "\nVRFs (",
                              "\nInterfaces (", "\nIP addresses (", "\nErrors (", "\nWarnings ("}) {
    FuzzCheck(text.find(heading) != std::string::npos, "a section is missing");
  }
  return 0;
}
