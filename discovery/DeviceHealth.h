// What a device's discovery amounts to, from what its sources answered:
//
//   ok       every command and walk was answered (a command the router
//            refused with an error line counts as answered)
//   partial  discovery ran, but something did not answer: each loss is one
//            sentence of `problems`
//   failed   the CLI answered no command, SNMP answered no request, or the
//            capture holds no command
//
//   found.health = AssessHealth(transport.Health());
#ifndef DISCOVERY_DEVICEHEALTH_H_
#define DISCOVERY_DEVICEHEALTH_H_

#include <string>

#include "report/ReportModel.h"
#include "transports/TransportHealth.h"

report::Health AssessHealth(const TransportHealth& tally);

// One line for standard error or a fleet's summary: the worst problem, or ""
// when the device is ok.
std::string HealthLine(const report::Health& health);

#endif  // DISCOVERY_DEVICEHEALTH_H_
