// The report as a JSON document, written as it goes (no document tree): two
// blanks of indent per level, one value per line, keys in the model's order,
// every string valid UTF-8 (ReportText.h), a line end after the document.
//
//   report::Report found = ...;
//   WriteJsonReport(found, std::cout);
#ifndef REPORT_JSONREPORT_H_
#define REPORT_JSONREPORT_H_

#include <ostream>

#include "report/ReportModel.h"

void WriteJsonReport(const report::Report& report, std::ostream& out);

#endif  // REPORT_JSONREPORT_H_
