// erx-discover runs: the runs of a store (open, finished, cut off) with their
// devices by status and region, and the pollers with their regions and last
// heartbeat, as text or JSON.
//
//   run 7  open  started 2026-12-07 02:00:01  /etc/erx/fleet.yaml
//     eu-west: 40 done, 1 failed, 2 running, 57 waiting
//   poller eu-1 (regions eu-west) on host-a, process 812: alive, last heartbeat 2026-12-07 02:03:11
#ifndef POLLERS_RUNSLISTING_H_
#define POLLERS_RUNSLISTING_H_

#include <ostream>
#include <string>
#include <vector>

#include "store/JobStore.h"

// "open", "finished" or "cut off".
std::string RunState(const store::RunOverview& run);

void WriteRunsText(const std::vector<store::RunOverview>& runs,
                   const std::vector<store::PollerState>& pollers, std::ostream& out);
void WriteRunsJson(const std::vector<store::RunOverview>& runs,
                   const std::vector<store::PollerState>& pollers, std::ostream& out);

#endif  // POLLERS_RUNSLISTING_H_
