#include "simulator/EndlessTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// What an answer may hold, so that it fits one UDP datagram.
constexpr size_t kAnswerBytes = 60000;

std::string Value(uint32_t row, size_t bytes) {
  std::string value = "row " + std::to_string(row);
  if (bytes > 0) value.resize(bytes, '.');
  return value;
}

}  // namespace

bool AnswerFromEndlessTable(const EndlessTable& table, const SnmpMessage& request,
                            SnmpMessage& answer) {
  const bool bulk = request.pduType == SnmpMessage::kGetBulk;
  if (table.column.empty() || request.varBinds.size() != 1 ||
      (request.pduType != SnmpMessage::kGetNext && !bulk) || (bulk && request.errorStatus != 0)) {
    return false;
  }
  const SnmpOid& asked = request.varBinds[0].name;
  const SnmpOid& column = table.column;
  const size_t common = std::min(asked.size(), column.size());
  if (!std::equal(asked.begin(), asked.begin() + static_cast<std::ptrdiff_t>(common),
                  column.begin())) {
    return false;
  }
  uint32_t next = 1;
  if (asked.size() > column.size()) {
    if (asked[column.size()] == UINT32_MAX) return false;
    next = asked[column.size()] + 1;
  }
  size_t rows = 1;
  if (bulk) {
    const size_t fit = std::max<size_t>(1, kAnswerBytes / (table.valueBytes + 32));
    const int64_t repetitions = std::max<int64_t>(request.errorIndex, 1);  // max-repetitions
    rows = std::min(static_cast<size_t>(repetitions), fit);
  }
  answer = request;
  answer.pduType = SnmpMessage::kResponse;
  answer.errorStatus = answer.errorIndex = 0;
  answer.varBinds.clear();
  for (uint32_t row = next; answer.varBinds.size() < rows; ++row) {
    SnmpVarBind bind;
    bind.name = column;
    bind.name.push_back(row);
    bind.type = SnmpMessage::kOctetString;
    bind.value = Value(row, table.valueBytes);
    answer.varBinds.push_back(std::move(bind));
    if (row == UINT32_MAX) break;
  }
  return true;
}
