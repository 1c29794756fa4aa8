// The outcome of an operation that ends in one of several ways, each named by
// an enum `Code` of its own, and that fails with a message for the user. ok()
// when it ran to its end, whatever the code says (a diff that found changes,
// a fleet with some devices down); else message() says why not. The programs
// map the code to their exit status.
//
//   enum class DiffOutcome { kNothingChanged, kSomethingChanged, kFailed };
//   Outcome<DiffOutcome> DiffRuns(...) {
//     if (!store.ok()) return {DiffOutcome::kFailed, store.status()};
//     return changed ? DiffOutcome::kSomethingChanged : DiffOutcome::kNothingChanged;
//   }
//   Outcome<DiffOutcome> diff = DiffRuns(options, std::cout);
//   if (!diff.ok()) std::cerr << diff.message() << "\n";
//   return diff.code() == DiffOutcome::kSomethingChanged ? kExitChanged : ...;
#ifndef STATUS_OUTCOME_H_
#define STATUS_OUTCOME_H_

#include <string>
#include <utility>

#include "status/Status.h"

template <typename Code>
class [[nodiscard]] Outcome {
 public:
  Outcome(Code code) : code_(code) {}  // NOLINT: ran to its end
  Outcome(Code code, Status failed) : code_(code), status_(std::move(failed)) {}

  Code code() const { return code_; }
  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  // Empty when ok.
  const std::string& message() const { return status_.message(); }

 private:
  Code code_;
  Status status_;
};

#endif  // STATUS_OUTCOME_H_
