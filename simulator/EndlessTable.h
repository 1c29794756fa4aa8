// A column that never ends, as a broken agent would serve it: every GETNEXT or
// GETBULK at the column (or at a table or entry above it) or inside it gets
// the next rows, instance 1, 2, 3 and on, for as long as it is asked.
//
//   EndlessTable table;
//   ParseSnmpOid("1.3.6.1.2.1.2.2.1.2", table.column);
//   SnmpMessage answer;
//   if (AnswerFromEndlessTable(table, request, answer)) Send(WriteSnmpMessage(answer));
#ifndef SIMULATOR_ENDLESSTABLE_H_
#define SIMULATOR_ENDLESSTABLE_H_

#include <cstddef>

#include "simulator/SnmpPdu.h"

struct EndlessTable {
  SnmpOid column;         // empty: none
  size_t valueBytes = 0;  // 0: short values ("row 7")
  static constexpr size_t kMaxValueBytes = 60000;
};

// True with `answer` set when `request` is a one-variable GETNEXT or GETBULK
// that the column answers; the caller relays anything else.
bool AnswerFromEndlessTable(const EndlessTable& table, const SnmpMessage& request,
                            SnmpMessage& answer);

#endif  // SIMULATOR_ENDLESSTABLE_H_
