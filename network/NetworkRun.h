// One run of a results store read back whole, for questions about the
// network rather than one router: the run, its devices, and the report of
// each device that was discovered.
#ifndef NETWORK_NETWORKRUN_H_
#define NETWORK_NETWORKRUN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ReportModel.h"
#include "status/Status.h"
#include "store/Store.h"

namespace network {

struct NetworkRun {
  std::string storePath;
  store::StoredRun run;
  std::vector<store::StoredDevice> devices;  // by name, discovered or not
  std::vector<report::Report> routers;       // the discovered ones, by name
  std::optional<int64_t> previousRun;        // the finished run before it
};

// Run `runId`, or the last finished run. Fails when the store cannot be read
// or has no such run.
Status LoadNetworkRun(const std::string& storePath, std::optional<int64_t> runId, NetworkRun& run);

}  // namespace network

#endif  // NETWORK_NETWORKRUN_H_
