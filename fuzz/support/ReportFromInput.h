// A report of the shape discovery produces (see runner/Discovery.h), every
// value taken from a fuzzer's input, for the report writers.
//
// Input: SHAPE \0 TEXT \0 TEXT ... The bytes of SHAPE, read in turn (zeros
// once they run out), give each section's number of rows and, for each value
// of a row, whether it is missing, a text, a number or a list; texts are the
// following parts in turn, used again from the first when they run out.
#ifndef FUZZ_SUPPORT_REPORTFROMINPUT_H_
#define FUZZ_SUPPORT_REPORTFROMINPUT_H_

#include <cstddef>
#include <cstdint>

#include "HostResults.h"

Json ReportFromInput(const std::uint8_t* data, std::size_t size);

#endif  // FUZZ_SUPPORT_REPORTFROMINPUT_H_
