// One device of a run written into the store's tables, in the caller's
// transaction: its outcome and, when `found` is not null, its whole report.
#ifndef STORE_DEVICEWRITER_H_
#define STORE_DEVICEWRITER_H_

#include <cstdint>

#include "report/ReportModel.h"
#include "store/SqlDatabase.h"
#include "store/Store.h"

namespace store {

// Throws StoreError.
void WriteDevice(SqlDatabase& db, int64_t runId, const DeviceOutcome& outcome,
                 const report::Report* found);

}  // namespace store

#endif  // STORE_DEVICEWRITER_H_
