// The results store: one SQLite file that keeps every fleet run of
// erx-discover, each device's report in normalized tables (see README.md,
// "The results store"), so that users can ask which routers carry a VRF,
// which LSPs leave through an interface, and what changed between two runs.
//
//   store::ResultsStore results;
//   if (!results.Open("fleet.db", problem)) ...           // creates or migrates
//   int64_t run = 0;
//   results.BeginRun("inventory.yaml", run, problem);
//   results.StoreDevice(run, outcome, &report, problem);  // one transaction each
//   results.FinishRun(run, problem);
//
// Several processes may write the same file at once (each worker of a run
// opens its own ResultsStore); a device is stored whole or not at all, so a
// run that is killed leaves every finished device and nothing half-written.
// The schema carries a version: a file made by an older program is migrated,
// one made by a newer program or not a results store at all is refused.
#ifndef STORE_RESULTSSTORE_H_
#define STORE_RESULTSSTORE_H_

#include <cstdint>
#include <string>

#include "report/ReportModel.h"

struct sqlite3;

namespace store {

// How one device of a run ended. `status` is one of "ok" (discovery ran; the
// agent's own errors are in the report), "failed" (unreachable, login
// refused, unreadable capture), "timeout" (ended at the device deadline),
// "crashed" (the worker died of a signal).
struct DeviceOutcome {
  std::string name;
  std::string source;  // "HOST" of a live router or the capture folder
  std::string status;
  std::string problem;  // one line, empty when "ok"
  double seconds = 0;
};

class ResultsStore {
 public:
  ResultsStore() = default;
  ResultsStore(const ResultsStore&) = delete;
  ResultsStore& operator=(const ResultsStore&) = delete;
  ~ResultsStore();

  // Opens `path`, creating the file and its schema when it does not exist.
  // False with `problem` set (naming the file) when it cannot be opened, is
  // not a results store, or was made by a newer program.
  bool Open(const std::string& path, std::string& problem);

  // A new run (its start time now); `runId` is its id.
  bool BeginRun(const std::string& inventory, int64_t& runId, std::string& problem);
  // Marks the run finished (its end time now). A run never finished was cut off.
  bool FinishRun(int64_t runId, std::string& problem);

  // One device of the run, in one transaction: its outcome and, when `found`
  // is not null, everything in the report.
  bool StoreDevice(int64_t runId, const DeviceOutcome& outcome, const report::Report* found,
                   std::string& problem);

 private:
  // Runs `work` in one transaction; false with `problem` saying what failed.
  template <typename Work>
  bool Write(std::string& problem, const std::string& what, Work work);

  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace store

#endif  // STORE_RESULTSSTORE_H_
