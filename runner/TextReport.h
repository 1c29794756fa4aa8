// The report as readable tables: virtual routers and their VRFs, label
// entries, VRFs with their impositions, interfaces, IP addresses, errors and
// warnings, then one line of counts. A value the agent did not produce shows as "-".
#ifndef RUNNER_TEXTREPORT_H_
#define RUNNER_TEXTREPORT_H_

#include <ostream>

#include "HostResults.h"

void WriteTextReport(const Json& report, std::ostream& out);

#endif  // RUNNER_TEXTREPORT_H_
