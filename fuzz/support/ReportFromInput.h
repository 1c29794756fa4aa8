// A report model (report/ReportModel.h) whose every value comes from a
// fuzzer's input, for the report writers.
//
// Input: SHAPE \0 TEXT \0 TEXT ... The bytes of SHAPE, read in turn (zeros
// once they run out), give each list's length, whether each optional value is
// there, and the numbers; texts are the following parts in turn, used again
// from the first when they run out. The fields of the table by incoming label
// come after every list, entry by entry.
#ifndef FUZZ_SUPPORT_REPORTFROMINPUT_H_
#define FUZZ_SUPPORT_REPORTFROMINPUT_H_

#include <cstddef>
#include <cstdint>

#include "report/ReportModel.h"

report::Report ReportFromInput(const std::uint8_t* data, std::size_t size);

#endif  // FUZZ_SUPPORT_REPORTFROMINPUT_H_
