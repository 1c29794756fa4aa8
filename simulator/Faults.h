// Faults the simulated router can be told to show, for tests.
//
//   slow=MS          waits MS milliseconds before each line it sends
//   drop-after=N     closes the connection once N bytes were sent on it
//   hang-on=COMMAND  never answers COMMAND (no reply, no prompt); "*" every show
//                    command; "login": SSH authentication once the password is sent
//   hang-after=N     answers the first N show commands (over all connections), no later one
//   drop-on=COMMAND  closes the connection when COMMAND is sent, each time ("login":
//                    when the password is sent over SSH)
//   prompt-in=COMMAND  prints its prompt halfway through COMMAND's reply, the rest 300 ms later
//   refuse-enable    refuses privileged mode, whatever the password
//   new-host-key     shows another SSH host key on every connection after the
//                    first, as a router replaced between a drop and the reconnection
//   noise            '\r', '\0' and erased page marks in replies
//   latency=MS       holds every CLI reply until MS milliseconds after its command
//                    arrived, and every SNMP answer MS milliseconds, as a router that
//                    far away would answer: commands typed ahead are on their way
//                    together, and so are their replies
//   drop-typeahead   discards what the client sends while a command is answered, as
//                    a router that flushes its input when it runs a command
//   endless-table=OID[:BYTES]  SNMP's column OID never ends: each GETNEXT or
//                    GETBULK there gets one more row (values BYTES long)
#ifndef SIMULATOR_FAULTS_H_
#define SIMULATOR_FAULTS_H_

#include <string>
#include <vector>

#include "simulator/EndlessTable.h"
#include "status/Result.h"

struct Faults {
  int slowMs = 0;
  size_t dropAfter = 0;  // 0: never
  std::string hangOn;
  long hangAfter = -1;  // -1: never
  std::string dropOn;
  std::string promptIn;
  bool refuseEnable = false;
  bool newHostKey = false;
  bool noise = false;
  int latencyMs = 0;
  bool dropTypeAhead = false;
  EndlessTable endlessTable;
};

// Fails for a fault it does not know.
Result<Faults> ParseFaults(const std::vector<std::string>& texts);

#endif  // SIMULATOR_FAULTS_H_
