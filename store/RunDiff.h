// What changed between two runs of a results store, device by device: VRFs,
// route targets, VRF interfaces, label entries and impositions added,
// removed or changed; devices that appeared, disappeared or failed.
//
//   erx-discover diff --store fleet.db [RUN_A RUN_B] [--format text|json]
#ifndef STORE_RUNDIFF_H_
#define STORE_RUNDIFF_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "status/Outcome.h"

namespace store {

struct DiffOptions {
  std::string storePath;
  std::optional<int64_t> runA;  // both or neither; neither: the last two runs
  std::optional<int64_t> runB;
  std::string format = "text";  // "text" or "json"
};

enum class DiffOutcome { kNothingChanged, kSomethingChanged, kFailed };

// Writes the differences to `out` and says whether there were any; kFailed,
// with its message, when the store cannot be read or lacks a run.
Outcome<DiffOutcome> DiffRuns(const DiffOptions& options, std::ostream& out);

}  // namespace store

#endif  // STORE_RUNDIFF_H_
