// The two forms of a run diff. A writer is given the two runs, then each
// device that changed in order, then the end.
//
// Text:
//   run 3 (started 2024-05-01 02:00:00) -> run 4 (started 2024-05-02 02:00:00)
//   ~ pe1: 2 changes
//     + vrf default/purple: route distinguisher 100:9, ...
//     ~ label entry default/17: out label 20 -> 30
//   + pe7: appeared
//   ~ pe9: failed in run 4 (timeout): no reply within 300 s
// or "no changes" after the header.
//
// JSON: {"runA": RUN, "runB": RUN, "devices": [{"device", "change",
//   "run"?, "status"?, "problem"?, "changes"?: [{"kind", "change", "key": {...},
//   "before"?: {...}, "after"?: {...}}]}]}, a RUN being
//   {"id", "startedAt", "finishedAt" (null: running or cut off), "inventory"}.
#ifndef STORE_DIFFWRITERS_H_
#define STORE_DIFFWRITERS_H_

#include <memory>
#include <ostream>

#include "store/DeviceChanges.h"
#include "store/Store.h"

namespace store {

class DiffWriter {
 public:
  virtual ~DiffWriter() = default;
  virtual void Runs(const StoredRun& before, const StoredRun& after) = 0;
  virtual void Device(const DeviceDiff& device) = 0;
  virtual void End() = 0;
};

std::unique_ptr<DiffWriter> MakeTextDiffWriter(std::ostream& out);
std::unique_ptr<DiffWriter> MakeJsonDiffWriter(std::ostream& out);

}  // namespace store

#endif  // STORE_DIFFWRITERS_H_
