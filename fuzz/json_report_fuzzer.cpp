// The JSON report of a report whose texts are arbitrary bytes (see
// support/ReportFromInput.h): always a JSON document, valid UTF-8, that reads
// back with every section.
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz/support/FuzzInput.h"
#include "fuzz/support/ReportFromInput.h"
#include "fuzz/support/TextChecks.h"
#include "report/JsonReport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const report::Report report = ReportFromInput(data, size);
  std::ostringstream out;
  WriteJsonReport(report, out);
  FuzzCheck(IsUtf8(out.str()), "the JSON report is not valid UTF-8");
  const nlohmann::json read = nlohmann::json::parse(out.str(), nullptr, false);
  FuzzCheck(!read.is_discarded(), "the JSON report does not read back");
  FuzzCheck(read.is_object() && read["labelEntries"].size() == report.labelEntries.size() &&
                read["vrfs"].size() == report.vrfs.size() &&
                read["errors"].size() == report.errors.size(),
            "the JSON report lost rows");
  return 0;
}
