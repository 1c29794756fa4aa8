// A label-table row of a later release that swaps to a label stack, as the
// report writers and the store must both carry it whole.
#ifndef TESTS_SUPPORT_LABELTABLEEXAMPLES_H_
#define TESTS_SUPPORT_LABELTABLEEXAMPLES_H_

#include <string>
#include <vector>

#include "report/ReportModel.h"

inline report::LabelEntry LabelTableSwap() {
  report::LabelEntry swap;
  swap.virtualRouter = "default";
  swap.inInterface = "FastEthernet2/0.1";
  swap.owner = "ldp";
  swap.action = "swap";
  swap.outLabel = "55";
  swap.pushLabels = std::vector<std::string>{"42", "16"};
  swap.outInterface = "ATM5/0.1";
  swap.outIfIndex = 10;
  swap.nextHop = "10.10.11.5";
  swap.labelSpace = "Platform label space";
  swap.layout = "label-table";
  return swap;
}

#endif  // TESTS_SUPPORT_LABELTABLEEXAMPLES_H_
