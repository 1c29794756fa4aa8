// A store opened for writing by its location, as a value (the fleet's and
// the tests'): Open, then BeginRun, StoreDevice for each device (one
// transaction each), FinishRun. Store.h is the whole interface, reading too.
//
//   store::ResultsStore results;
//   if (Status opened = results.Open("fleet.db"); !opened.ok()) ...  // creates or migrates
//   Result<int64_t> run = results.BeginRun("inventory.yaml");
//   Status stored = results.StoreDevice(run.value(), outcome, &report);
//   Status finished = results.FinishRun(run.value());
#ifndef STORE_RESULTSSTORE_H_
#define STORE_RESULTSSTORE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "report/ReportModel.h"
#include "status/Result.h"
#include "status/Status.h"
#include "store/Store.h"

namespace store {

class ResultsStore {
 public:
  // Opens the store at `where` (a file or a postgresql:// connection; see
  // OpenStore), creating or migrating it.
  Status Open(const std::string& where) { return OpenStore(where, Access::kWrite).Into(store_); }

  Result<int64_t> BeginRun(const std::string& inventory) {
    if (!store_) return NotOpen();
    return store_->BeginRun(inventory);
  }
  Status FinishRun(int64_t runId) { return store_ ? store_->FinishRun(runId) : NotOpen(); }
  Status StoreDevice(int64_t runId, const DeviceOutcome& outcome, const report::Report* found) {
    return store_ ? store_->StoreDevice(runId, outcome, found) : NotOpen();
  }

 private:
  static Status NotOpen() { return Status::Failure("results store not open"); }

  std::unique_ptr<Store> store_;
};

}  // namespace store

#endif  // STORE_RESULTSSTORE_H_
