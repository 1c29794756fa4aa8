// What a fleet worker hands its parent over its result pipe, as one framed
// message (wire/): its device's report when discovery ran, else the problem
// that stopped it. The parent stores the device from this alone, so the
// report comes whole and exact; bytes cut short by a worker that died, or
// changed on the way, read as a problem, never as a report.
#ifndef FLEET_WORKERRESULT_H_
#define FLEET_WORKERRESULT_H_

#include <string>

#include "report/ReportModel.h"
#include "status/Result.h"

struct WorkerResult {
  bool discovered = false;
  std::string problem;   // when not discovered
  report::Report found;  // when discovered
};

std::string EncodeWorkerResult(const WorkerResult& result);
// A failure says what is wrong with the bytes.
Result<WorkerResult> DecodeWorkerResult(const std::string& bytes);

#endif  // FLEET_WORKERRESULT_H_
