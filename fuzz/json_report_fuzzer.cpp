// The JSON report of a report whose texts are arbitrary bytes (see
// support/ReportFromInput.h): always a JSON document that reads back with the
// same sections.
#include <string>

#include "support/FuzzInput.h"
#include "support/ReportFromInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Json report = ReportFromInput(data, size);
  const std::string written = report.dump(2);
  const Json read = Json::parse(written, nullptr, false);
  FuzzCheck(!read.is_discarded(), "the report is not valid JSON");
  FuzzCheck(read.size() == report.size(), "the report lost a section");
  return 0;
}
