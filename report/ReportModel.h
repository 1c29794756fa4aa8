// What discovery of one device found, as the reports write it. Lists keep the
// order in which the agent produced them; an optional value the agent did not
// produce is left out of both reports. Text is the router's bytes as they
// came: the writers make it valid UTF-8.
//
// The JSON report, key by key in this order (a field's key beside it):
//   {"device", "agent", "generator", "virtualRouters": [...], "labelEntries": [...],
//    "vrfs": [...], "interfaces": [...], "ipAddresses": [...], "errors": [...],
//    "warnings": [...], "health": {...}}
// A label entry of the table by incoming label is written in the order
// virtualRouter, inLabel, inInterface, owner, action, actionText, outLabel,
// pushLabels, outInterface, outIfIndex, nextHop, labelSpace, layout.
#ifndef REPORT_REPORTMODEL_H_
#define REPORT_REPORTMODEL_H_

#include <optional>
#include <string>
#include <vector>

#include "report/SparseText.h"

namespace report {

using Text = std::optional<std::string>;
using Number = std::optional<int>;
using Texts = std::optional<std::vector<std::string>>;
using Numbers = std::optional<std::vector<int>>;

struct VirtualRouter {
  Text name;   // "name"
  Texts vrfs;  // "vrfs"
};

struct LabelEntry {
  Text virtualRouter;   // "virtualRouter"
  Text lspName;         // "lspName"
  Text inLabel;         // "inLabel"
  Text outLabel;        // "outLabel"
  Number outIfIndex;    // "outIfIndex"
  Text outInterface;    // "outInterface"
  Text nextHop;         // "nextHop"
  Numbers inIfIndexes;  // "inIfIndexes"
  Texts inInterfaces;   // "inInterfaces"
  // Only entries read from the later releases' table by incoming label
  // ("layout": "label-table") have these; the module's entries never do, so
  // they cost a pointer each in the 100,000 entries of a large router.
  // Such an entry is keyed by inLabel or, in an L2transport section, by its
  // attachment interface (inInterface).
  SparseText inInterface{};  // "inInterface"
  SparseText owner{};        // "owner": ldp, rsvp-te, bgp, ...
  SparseText action{};       // "action": swap, pop, lookup, l2transport, other
  SparseText actionText{};   // "actionText": the router's words, only for "other"
  Texts pushLabels{};  // "pushLabels": pushed on top of outLabel, in order; the last is outermost
  SparseText labelSpace{};  // "labelSpace": the heading above the rows
  SparseText layout{};      // "layout": "label-table"
};

struct Imposition {
  Text label;        // "label"
  Text destination;  // "destination"
  Number ifIndex;    // "ifIndex"
  Text interface;    // "interface"
  Text nextHop;      // "nextHop"
};

struct Vrf {
  Text virtualRouter;                                  // "virtualRouter"
  Text name;                                           // "name"
  Text routeDistinguisher;                             // "routeDistinguisher"
  Texts exportRouteTargets;                            // "exportRouteTargets"
  Texts importRouteTargets;                            // "importRouteTargets"
  Numbers ifIndexes;                                   // "ifIndexes"
  std::optional<std::vector<Imposition>> impositions;  // "impositions"
};

struct Interface {
  int ifIndex = 0;     // "ifIndex"
  Text ifDescr;        // "ifDescr"
  Text virtualRouter;  // "virtualRouter"
  Text vrf;            // "vrf"
};

struct IpAddress {
  std::string virtualRouter;  // "virtualRouter"
  std::string address;        // "address"
  Number ifIndex;             // "ifIndex"
};

struct Error {
  int code = 0;        // "code"
  std::string source;  // "source"
  int line = 0;        // "line"
  Text text;           // "text"
};

struct Warning {
  std::string text;    // "text"
  Text virtualRouter;  // "virtualRouter"
  Text vrf;            // "vrf"
};

// What a device's answers make it: everything answered; discovery ran but
// something did not answer; the CLI or SNMP answered nothing at all.
enum class HealthStatus { kOk, kPartial, kFailed };

// "ok", "partial" or "failed", as reports and the store spell it.
inline const char* HealthStatusName(HealthStatus status) {
  switch (status) {
    case HealthStatus::kPartial:
      return "partial";
    case HealthStatus::kFailed:
      return "failed";
    case HealthStatus::kOk:
      break;
  }
  return "ok";
}

// What answered during discovery, and what that makes the device. Sources are
// named where they were reached: "127.0.0.1:23" for a live CLI, the cli.log of
// a capture.
struct Health {
  HealthStatus status = HealthStatus::kOk;  // "status"
  std::string cliSource;                    // "cli": {"source",
  int commandsSent = 0;                     //   "sent",
  int commandsAnswered = 0;                 //   "answered",
  int commandsRefused = 0;                  //   "refused",
  int commandsTimedOut = 0;                 //   "timedOut",
  int commandsCutOff = 0;                   //   "cutOff",
  int commandsNotSent = 0;                  //   "notSent",
  int reconnections = 0;                    //   "reconnections",
  std::string typeAheadLostAt;              //   "typeAheadLostAt", left out when ""}
  std::string snmpSource;                   // "snmp": {"source",
  int walksAnswered = 0;                    //   "walksAnswered",
  int walksUnanswered = 0;                  //   "walksUnanswered",
  std::vector<std::string> silentContexts;  // "silentContexts"}
  std::vector<std::string> problems;        // "problems": one sentence each, the worst first
};

struct Report {
  std::string device;     // "device"
  std::string agent;      // "agent": what the module says of itself
  std::string generator;  // "generator": the program and version that wrote it; left out when ""
  std::vector<VirtualRouter> virtualRouters;
  std::vector<LabelEntry> labelEntries;
  std::vector<Vrf> vrfs;
  std::vector<Interface> interfaces;
  std::vector<IpAddress> ipAddresses;
  std::vector<Error> errors;
  std::vector<Warning> warnings;
  Health health;
};

}  // namespace report

#endif  // REPORT_REPORTMODEL_H_
