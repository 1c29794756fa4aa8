// The JSON report (JsonReport.h) read back into the report model, so that a
// report can cross a pipe as text: what WriteJsonReport writes reads back as
// the same report, except for text that was not valid UTF-8 (written, and so
// read, as the writer makes it valid: ReportText.h).
//
//   std::ostringstream text;
//   WriteJsonReport(found, text);
//   report::Report copy;
//   if (!ReadJsonReport(text.str(), copy, problem)) ...   // problem: what is wrong, where
#ifndef REPORTREADER_JSONREPORTREADER_H_
#define REPORTREADER_JSONREPORTREADER_H_

#include <string>

#include "report/ReportModel.h"

// False with `problem` set (one line) when `json` is not such a report: bad
// JSON, a key of the wrong type, a required key missing. Unknown keys are
// ignored, as a newer writer may add some.
bool ReadJsonReport(const std::string& json, report::Report& found, std::string& problem);

#endif  // REPORTREADER_JSONREPORTREADER_H_
