// A store opened for writing by its location, as a value (the fleet's and
// the tests'): Open, then BeginRun, StoreDevice for each device (one
// transaction each), FinishRun. Store.h is the whole interface, reading too.
//
//   store::ResultsStore results;
//   if (!results.Open("fleet.db", problem)) ...           // creates or migrates
//   int64_t run = 0;
//   results.BeginRun("inventory.yaml", run, problem);
//   results.StoreDevice(run, outcome, &report, problem);
//   results.FinishRun(run, problem);
#ifndef STORE_RESULTSSTORE_H_
#define STORE_RESULTSSTORE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "report/ReportModel.h"
#include "store/Store.h"

namespace store {

class ResultsStore {
 public:
  // Opens the store at `where` (a file or a postgresql:// connection; see
  // OpenStore), creating or migrating it. False with `problem` set.
  bool Open(const std::string& where, std::string& problem) {
    store_ = OpenStore(where, Access::kWrite, problem);
    return store_ != nullptr;
  }

  bool BeginRun(const std::string& inventory, int64_t& runId, std::string& problem) {
    return Opened(problem) && store_->BeginRun(inventory, runId, problem);
  }
  bool FinishRun(int64_t runId, std::string& problem) {
    return Opened(problem) && store_->FinishRun(runId, problem);
  }
  bool StoreDevice(int64_t runId, const DeviceOutcome& outcome, const report::Report* found,
                   std::string& problem) {
    return Opened(problem) && store_->StoreDevice(runId, outcome, found, problem);
  }

 private:
  bool Opened(std::string& problem) const {
    if (!store_) problem = "results store not open";
    return store_ != nullptr;
  }

  std::unique_ptr<Store> store_;
};

}  // namespace store

#endif  // STORE_RESULTSSTORE_H_
