// A poller: takes the jobs of its regions from a shared PostgreSQL store
// (store/JobStore.h), discovers each device in a worker process of its own
// with the secrets of the machine it runs on, and stores each result while
// it still holds the job's lease.
//
//   PollerOptions options;
//   options.store = "postgresql:///erx?host=/run/postgresql";
//   options.regions = {"eu-west"};
//   int status = RunPoller(options, std::cout, std::cerr);
//
// It claims a few jobs at a time (as many as it has workers), renews their
// leases on every heartbeat while they run, and waits for the next run with
// a wake-up from `queue` and a look every few seconds. Losing the store is
// waited out (a line each try, longer and longer pauses); results discovered
// meanwhile are stored when it comes back, if their leases still hold.
// SIGTERM or SIGINT: nothing more is claimed, the devices being discovered
// are finished (or handed back when their workers were stopped too), and
// RunPoller returns 0.
#ifndef POLLERS_POLLER_H_
#define POLLERS_POLLER_H_

#include <ostream>
#include <string>
#include <vector>

#include "discovery/Discovery.h"

struct PollerOptions {
  std::string store;
  std::vector<std::string> regions;
  int jobs = 1;
  std::string name;   // empty: host name and process id
  bool once = false;  // return when no job of the regions waits or runs
  double heartbeatSeconds = 5;
  double leaseSeconds = 15;
  double pollSeconds = 5;  // a look at the queue without a wake-up
  double deviceTimeoutSeconds = 600;
  std::string secretsFile;  // besides the environment
  DiscoveryOptions discovery;
};

// True when stopped (or, with `once`, when done); false with a line on `log`
// when it cannot start: the store is not usable, or a poller of its name is
// alive.
bool RunPoller(const PollerOptions& options, std::ostream& out, std::ostream& log);

// "HOST-PID", the name a poller takes when it is given none.
std::string DefaultPollerName();

#endif  // POLLERS_POLLER_H_
