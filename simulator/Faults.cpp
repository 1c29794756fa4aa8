#include "simulator/Faults.h"

#include <cstdlib>

#include "captures/CliCapture.h"

namespace {

bool Number(const std::string& text, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= 0;
}

// "OID" or "OID:BYTES".
bool ParseEndlessTable(const std::string& text, EndlessTable& table) {
  const size_t colon = text.find(':');
  long bytes = 0;
  if (colon != std::string::npos && (!Number(text.substr(colon + 1), bytes) || bytes < 1 ||
                                     static_cast<size_t>(bytes) > EndlessTable::kMaxValueBytes)) {
    return false;
  }
  table.valueBytes = static_cast<size_t>(bytes);
  return ParseSnmpOid(text.substr(0, colon), table.column);
}

// A fault without a value.
bool SetFlagFault(const std::string& name, Faults& faults) {
  if (name == "noise") {
    faults.noise = true;
  } else if (name == "refuse-enable") {
    faults.refuseEnable = true;
  } else if (name == "new-host-key") {
    faults.newHostKey = true;
  } else if (name == "drop-typeahead") {
    faults.dropTypeAhead = true;
  } else {
    return false;
  }
  return true;
}

// A fault NAME=VALUE; false when unknown or its value does not fit.
bool SetValuedFault(const std::string& name, const std::string& value, Faults& faults) {
  long number = 0;
  EndlessTable table;
  if (name == "slow" && Number(value, number)) {
    faults.slowMs = static_cast<int>(number);
  } else if (name == "latency" && Number(value, number) && number <= 60000) {
    faults.latencyMs = static_cast<int>(number);
  } else if (name == "drop-after" && Number(value, number) && number > 0) {
    faults.dropAfter = static_cast<size_t>(number);
  } else if (name == "hang-on" && !CollapsedCommand(value).empty()) {
    faults.hangOn = CollapsedCommand(value);
  } else if (name == "hang-after" && Number(value, number)) {
    faults.hangAfter = number;
  } else if (name == "prompt-in" && !CollapsedCommand(value).empty()) {
    faults.promptIn = CollapsedCommand(value);
  } else if (name == "drop-on" && !CollapsedCommand(value).empty()) {
    faults.dropOn = CollapsedCommand(value);
  } else if (name == "endless-table" && ParseEndlessTable(value, table)) {
    faults.endlessTable = table;
  } else {
    return false;
  }
  return true;
}

}  // namespace

Result<Faults> ParseFaults(const std::vector<std::string>& texts) {
  Faults faults;
  for (const std::string& text : texts) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const bool known = equals == std::string::npos
                           ? SetFlagFault(name, faults)
                           : SetValuedFault(name, text.substr(equals + 1), faults);
    if (!known) {
      return Status::Failure(
          "unknown fault \"" + text +
          "\" (slow=MS, drop-after=BYTES, hang-on=COMMAND, hang-after=N, drop-on=COMMAND, "
          "prompt-in=COMMAND, refuse-enable, new-host-key, noise, latency=MS, drop-typeahead, "
          "endless-table=OID[:BYTES])");
    }
  }
  return faults;
}
