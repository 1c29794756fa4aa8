// A report (report/ReportModel.h) as bytes and back, exactly: every text
// byte for byte, every optional value there or not, every list in its order,
// the health whole. A fleet worker hands its device's report to the process
// that stores it this way.
//
//   const std::string bytes = wire::EncodeReport(found);
//   Result<report::Report> read = wire::DecodeReport(bytes);
//   if (!read.ok()) ...  // cut short or changed
#ifndef WIRE_REPORTWIRE_H_
#define WIRE_REPORTWIRE_H_

#include <string>

#include "report/ReportModel.h"
#include "status/Result.h"
#include "wire/WireFormat.h"

namespace wire {

// Into or out of a message the caller frames.
void PutReport(Writer& out, const report::Report& found);
bool GetReport(Reader& in, report::Report& found);

// A framed message of the report alone.
std::string EncodeReport(const report::Report& found);
// A failure says what is wrong with the bytes.
Result<report::Report> DecodeReport(const std::string& bytes);

}  // namespace wire

#endif  // WIRE_REPORTWIRE_H_
