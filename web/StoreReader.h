// Everything the web pages read from a results store (an SQLite file or a
// PostgreSQL database, through store/Store.h), in one place. Each request
// opens its own reader (the server answers on several threads); a
// store that cannot be read throws ReadError, which the server answers with
// a page that says why.
//
//   web::StoreReader store("fleet.db");
//   for (const store::StoredRun& run : store.Runs(0, 20)) ...
#ifndef WEB_STOREREADER_H_
#define WEB_STOREREADER_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "network/NetworkRun.h"
#include "report/ReportModel.h"
#include "store/Store.h"

namespace web {

// Seconds a request may spend in the store's queries before they are stopped.
const int kQuerySeconds = 20;

class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class StoreReader {
 public:
  explicit StoreReader(const std::string& storePath);
  StoreReader(const StoreReader&) = delete;
  StoreReader& operator=(const StoreReader&) = delete;
  ~StoreReader();

  int64_t CountRuns();
  std::vector<store::StoredRun> Runs(int64_t offset, int64_t limit);  // newest first
  std::optional<store::StoredRun> Run(int64_t id);
  std::optional<int64_t> LastFinishedRun();
  std::optional<int64_t> FinishedRunBefore(int64_t id);

  std::vector<store::StoredDevice> Devices(int64_t run);  // by name
  store::DeviceSizes Sizes(const store::StoredDevice& device);
  report::Report Report(const store::StoredDevice& device);
  // With only a page of its label entries.
  report::Report Report(const store::StoredDevice& device, int64_t offset, int64_t limit);

  // The whole run, for its label paths and VPN map.
  network::NetworkRun Network(int64_t run);
  // `erx-discover diff` of two runs, "text" or "json".
  std::string Diff(int64_t runA, int64_t runB, const std::string& format);

 private:
  // Throws ReadError for a problem of the store, saying so when the request's
  // time ran out.
  void Check(const Status& read) const;
  // The value read, or ReadError.
  template <typename T>
  T Checked(Result<T> read) const {
    Check(read.status());
    return std::move(read.value());
  }
  const std::vector<store::StoredRun>& AllRuns();  // oldest first, read once

  std::string path_;
  std::chrono::steady_clock::time_point deadline_;
  std::unique_ptr<store::Store> store_;
  std::optional<std::vector<store::StoredRun>> runs_;
};

}  // namespace web

#endif  // WEB_STOREREADER_H_
