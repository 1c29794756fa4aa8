// The store's interface (Store.h) over an SQL engine (SqlDatabase.h): the
// same statements for SQLite and PostgreSQL, each public call in a
// transaction of its own when it writes.
#ifndef STORE_SQLSTORE_H_
#define STORE_SQLSTORE_H_

#include <memory>

#include "store/SqlDatabase.h"
#include "store/Store.h"

namespace store {

class SqlStore : public Store {
 public:
  explicit SqlStore(std::unique_ptr<SqlDatabase> db) : db_(std::move(db)) {}

  const std::string& Where() const override { return db_->Where(); }
  bool BeginRun(const std::string& inventory, int64_t& runId, std::string& problem) override;
  bool StoreDevice(int64_t runId, const DeviceOutcome& outcome, const report::Report* found,
                   std::string& problem) override;
  bool FinishRun(int64_t runId, std::string& problem) override;
  bool ListRuns(std::vector<StoredRun>& runs, std::string& problem) override;
  bool LoadRun(int64_t runId, std::optional<StoredRun>& run, std::string& problem) override;
  bool LoadDevices(int64_t runId, std::vector<StoredDevice>& devices,
                   std::string& problem) override;
  bool LoadReport(const StoredDevice& device, report::Report& found, std::string& problem) override;
  bool LoadReportPage(const StoredDevice& device, int64_t offset, int64_t limit,
                      report::Report& found, std::string& problem) override;
  bool LoadDeviceSizes(const StoredDevice& device, DeviceSizes& sizes,
                       std::string& problem) override;
  void LimitQueryTime(int seconds) override { db_->LimitQueryTime(seconds); }

  SqlDatabase& Database() { return *db_; }

 private:
  // Runs `work`, in a transaction when `what` (what is being written) is
  // given; false with `problem` saying what failed.
  template <typename Work>
  bool Do(std::string& problem, const std::string& what, Work work);

  std::unique_ptr<SqlDatabase> db_;
};

// Now in UTC as the store keeps times, "YYYY-MM-DD HH:MM:SS".
std::string UtcNow();

}  // namespace store

#endif  // STORE_SQLSTORE_H_
