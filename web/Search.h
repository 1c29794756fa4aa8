// Looking for something across a run's devices: a VRF name, route target,
// route distinguisher, interface, LSP name, IP address or prefix, or label.
#ifndef WEB_SEARCH_H_
#define WEB_SEARCH_H_

#include <cstdint>
#include <string>

#include "web/Answers.h"
#include "web/StoreReader.h"

namespace web {

// Seconds a search may read reports before it answers with what it found.
const int kSearchSeconds = 10;

// {"run", "query", "results": [{"kind", "device", "virtualRouter", "vrf",
//  "value", "detail"}], "truncated", "timedOut"}: names match by part, without
// regard to case; a label matches whole; an address matches the addresses and
// destinations inside a prefix, and the prefixes that hold an address.
// At most `limit` results (then "truncated").
Json SearchRun(StoreReader& store, int64_t run, const std::string& query, int64_t limit);

}  // namespace web

#endif  // WEB_SEARCH_H_
