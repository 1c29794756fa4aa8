#include "fleet/WorkerResult.h"

#include "wire/ReportWire.h"
#include "wire/WireFormat.h"

namespace {

const uint64_t kProblem = 0;
const uint64_t kReport = 1;

}  // namespace

std::string EncodeWorkerResult(const WorkerResult& result) {
  wire::Writer out;
  out.Count(result.discovered ? kReport : kProblem);
  if (result.discovered) {
    wire::PutReport(out, result.found);
  } else {
    out.Text(result.problem);
  }
  return wire::Frame(out.Bytes());
}

Result<WorkerResult> DecodeWorkerResult(const std::string& bytes) {
  const Result<std::string> payload = wire::Unframe(bytes);
  if (!payload.ok()) return payload.status();
  wire::Reader in(payload.value());
  uint64_t kind = 0;
  if (in.Count(kind) && kind != kProblem && kind != kReport) in.Fail("it is of an unknown kind");
  WorkerResult result;
  result.discovered = kind == kReport;
  const bool read = result.discovered ? wire::GetReport(in, result.found) : in.Text(result.problem);
  if (!read || !in.AtEnd()) return Status::Failure(read ? "more follows its end" : in.Problem());
  return result;
}
