// What the fuzz targets share: cutting one input into several texts, checks
// that end the run with a message, and a stream that swallows what the code
// under test prints.
//
//   const std::vector<std::string> parts = SplitInput(data, size, 3);
//   FuzzCheck(out.find('\n') == std::string::npos, "joined name keeps a line break");
#ifndef FUZZ_SUPPORT_FUZZINPUT_H_
#define FUZZ_SUPPORT_FUZZINPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Parts of one input are separated by a NUL byte. At most `maxParts` parts:
// the last takes the rest of the input, NULs included. An empty input gives
// one empty part.
std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size,
                                    std::size_t maxParts);

// Aborts with `what` on standard error when `ok` is false, so that the fuzzer
// records the input as a finding.
void FuzzCheck(bool ok, const char* what);

// Sends std::cout to nowhere for the life of the process: traces of the code
// under test would otherwise cost more than the code itself.
void SilenceStandardOutput();

#endif  // FUZZ_SUPPORT_FUZZINPUT_H_
