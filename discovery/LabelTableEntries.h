// The label entries of the later releases' forwarding table (by incoming
// label), added to a report after the module's pass: one entry per row, with
// "layout": "label-table", its out ifIndex found as the module finds its
// entries' (the same interface keys, looked up in the virtual router's own
// interface table, then its VRFs' in order). What could not be read or
// resolved becomes a warning of the virtual router.
#ifndef DISCOVERY_LABELTABLEENTRIES_H_
#define DISCOVERY_LABELTABLEENTRIES_H_

#include <string>
#include <utility>
#include <vector>

#include "host/PelkRequester.h"
#include "report/ReportModel.h"

// `tables` holds (virtual router, reply); `transport` answers the interface
// walks (the VRFs of each virtual router are those in `found`).
void AddLabelTableEntries(const std::vector<std::pair<std::string, std::string>>& tables,
                          CPelkRequestTransport& transport, CKelRecord& record,
                          report::Report& found);

#endif  // DISCOVERY_LABELTABLEENTRIES_H_
