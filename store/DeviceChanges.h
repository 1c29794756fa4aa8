// What changed in one device between two runs, found by comparing the two
// reports item by item:
//   VRFs by (virtual router, name): added, removed, route distinguisher changed;
//     of a VRF in both runs, its route targets and interfaces added or removed;
//   label entries by (virtual router, in label): added, removed, or which of
//     out label, out interface, out ifIndex, next hop, LSP and in interfaces changed;
//     an entry of the table by incoming label is keyed also by its attachment
//     interface and label space, and compares its owner, action (and its
//     text) and pushed labels in place of the LSP and in interfaces;
//   impositions of a VRF in both runs by (destination, next hop): added,
//     removed, label or interface changed.
// A key that repeats in a report is paired in order. Changes come in a fixed
// order: each VRF's own changes in VRF order, then label entries, then
// impositions, each by key (numbers inside text compared as numbers:
// "pe2" < "pe10", label 17 before 100).
#ifndef STORE_DEVICECHANGES_H_
#define STORE_DEVICECHANGES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ReportModel.h"

namespace store {

// One named value of a key or a before/after; no text when the report did not
// have it. `number` marks an ifIndex or a count, written as a JSON number.
struct Value {
  std::string name;
  std::optional<std::string> text;
  bool number = false;
};
using Values = std::vector<Value>;

struct Change {
  std::string kind;    // "vrf", "routeTarget", "vrfInterface", "labelEntry", "imposition"
  std::string change;  // "added", "removed", "changed"
  Values key;
  Values before;  // removed: the whole item; changed: the fields that changed
  Values after;   // added: the whole item; changed: the fields that changed
};

struct DeviceDiff {
  std::string device;
  std::string change;  // "appeared", "disappeared", "failed", "changed"
  // Of "failed": the run in which it failed (the newer when both), its status and problem.
  int64_t failedRun = 0;
  std::string status;
  std::string problem;
  std::vector<Change> changes;  // of "changed"
};

std::vector<Change> CompareReports(const report::Report& before, const report::Report& after);

// Orders text as people read it: runs of digits by their value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace store

#endif  // STORE_DEVICECHANGES_H_
