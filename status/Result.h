// The outcome of an operation that makes a value or fails with a message: the
// value when ok, else the Status that says why (and a value-initialised T).
//
//   Result<int64_t> BeginRun(const std::string& inventory) {
//     if (!open_) return Status::Failure("results store not open");
//     return Insert(inventory);
//   }
//   Result<int64_t> run = BeginRun("fleet.yaml");
//   if (!run.ok()) return run.status();
//   Use(run.value());
#ifndef STATUS_RESULT_H_
#define STATUS_RESULT_H_

#include <string>
#include <utility>

#include "status/Status.h"

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT: ok, with its value
  Result(Status failed) : status_(std::move(failed)) {}  // NOLINT: a failure

  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  // Empty when ok.
  const std::string& message() const { return status_.message(); }

  const T& value() const { return value_; }
  T& value() { return value_; }

  // Moves the value into `out` when ok (leaving `out` as it was when not);
  // the status either way, for a caller that keeps its own variable (of T, or
  // of a type T converts to: a unique_ptr to a base).
  template <typename Out>
  Status Into(Out& out) && {
    if (ok()) out = std::move(value_);
    return status_;
  }

 private:
  Status status_;
  T value_{};
};

#endif  // STATUS_RESULT_H_
