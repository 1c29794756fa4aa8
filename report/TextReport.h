// The report as readable tables: virtual routers and their VRFs, label
// entries, VRFs with their impositions, interfaces, IP addresses, errors and
// warnings, then one line of counts. A value the agent did not produce shows
// as "-"; text is valid UTF-8 with control characters escaped (ReportText.h).
//
//   WriteTextReport(found, std::cout);
#ifndef REPORT_TEXTREPORT_H_
#define REPORT_TEXTREPORT_H_

#include <ostream>

#include "report/ReportModel.h"

void WriteTextReport(const report::Report& report, std::ostream& out);

#endif  // REPORT_TEXTREPORT_H_
