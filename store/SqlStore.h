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
  Result<int64_t> BeginRun(const std::string& inventory) override;
  Status StoreDevice(int64_t runId, const DeviceOutcome& outcome,
                     const report::Report* found) override;
  Status FinishRun(int64_t runId) override;
  Result<std::vector<StoredRun>> ListRuns() override;
  Result<std::optional<StoredRun>> LoadRun(int64_t runId) override;
  Result<std::vector<StoredDevice>> LoadDevices(int64_t runId) override;
  Result<report::Report> LoadReport(const StoredDevice& device) override;
  Result<report::Report> LoadReportPage(const StoredDevice& device, int64_t offset,
                                        int64_t limit) override;
  Result<DeviceSizes> LoadDeviceSizes(const StoredDevice& device) override;
  void LimitQueryTime(int seconds) override { db_->LimitQueryTime(seconds); }

  SqlDatabase& Database() { return *db_; }

 private:
  // Runs `work`, in a transaction when `what` (what is being written) is
  // given; a failure says what failed.
  template <typename Work>
  Status Do(const std::string& what, Work work);
  // What `read` returns, read outside a transaction.
  template <typename T, typename Reader>
  Result<T> Read(Reader read);

  std::unique_ptr<SqlDatabase> db_;
};

// Now in UTC as the store keeps times, "YYYY-MM-DD HH:MM:SS".
std::string UtcNow();

}  // namespace store

#endif  // STORE_SQLSTORE_H_
