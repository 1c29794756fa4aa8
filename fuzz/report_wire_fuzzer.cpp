// The report handed from a fleet worker to its parent (wire/ReportWire.h).
// A report whose texts are arbitrary bytes (support/ReportFromInput.h) reads
// back exactly; the same bytes cut short or with a byte changed read as a
// problem; and the input itself, read as such a message, is a problem or a
// report, never a crash or an allocation the size of a number it holds.
#include <string>

#include "fuzz/support/FuzzInput.h"
#include "fuzz/support/ReportFromInput.h"
#include "wire/ReportWire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const Result<report::Report> asMessage = wire::DecodeReport(input);
  FuzzCheck(asMessage.ok() || !asMessage.message().empty(),
            "an unreadable message without a problem");

  const std::string bytes = wire::EncodeReport(ReportFromInput(data, size));
  const Result<report::Report> back = wire::DecodeReport(bytes);
  FuzzCheck(back.ok(), "a report does not read back");
  FuzzCheck(wire::EncodeReport(back.value()) == bytes, "a report reads back different");

  const size_t cut = size % bytes.size();
  FuzzCheck(!wire::DecodeReport(bytes.substr(0, cut)).ok(), "a report cut short reads as a report");
  std::string changed = bytes;
  changed[cut] = static_cast<char>(changed[cut] ^ (1 + size % 255));
  FuzzCheck(!wire::DecodeReport(changed).ok(), "a report changed reads as a report");
  return 0;
}
