// The forwarding table as later releases print `show mpls forwarding brief`:
// by incoming label, not by LSP. The module reads only the LSP-oriented
// layout; this reads the other one.
//
//   Platform label space
//
//   In Label  Owner   Action
//   --------  ------  ------------------------------------------
//   17        ldp     swap to 29 on ATM5/0.1, nbr 10.10.11.5
//   16        ldp     lookup on inner header/label
//   52        ldp     l2transport to FastEthernet2/0.2
//
//   L2transport
//
//        Interface        Owner                 Action
//   --------------------  --------  -------------------------------------------
//   FastEthernet2/0.1    ldp      swap to 55, push 42 on ATM5/0.1, nbr 10.10.11.5
//
// Fields are runs of blanks or tabs apart; column positions are not relied on
// (the manuals' own tables do not line up). A heading line just above a column
// heading names the label space of the rows below it, except "L2transport",
// which opens that section in the same label space. Rows of either section may
// be keyed by a label or by an interface.
//
// Actions, each followed by its clauses in any order, commas optional:
//   swap to LABEL | pop [and forward] | lookup [on inner header/label] |
//   l2transport to INTERFACE
//   clauses: push LABEL [LABEL...] (may repeat), on INTERFACE, nbr ADDRESS
// An action that reads otherwise is kept as "other" with its text. Nothing is
// passed over without a note: such rows, lines that are no part of the layout.
//
//   const LabelTable table = ReadLabelTable(reply);
//   for (const LabelTableRow& row : table.rows) ...;
//   for (const std::string& note : table.notes) ...;
#ifndef READERS_LABELTABLE_H_
#define READERS_LABELTABLE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct LabelTableRow {
  std::optional<std::string> inLabel;      // a row keyed by its incoming label
  std::optional<std::string> inInterface;  // or by its attachment interface
  std::string owner;
  std::string action;                     // "swap", "pop", "lookup", "l2transport", "other"
  std::optional<std::string> actionText;  // the router's words, for "other"
  std::optional<std::string> outLabel;
  std::vector<std::string> pushLabels;  // on top of outLabel, in the order printed
  std::optional<std::string> outInterface;
  std::optional<std::string> nextHop;
  std::optional<std::string> labelSpace;  // none before any heading
};

struct LabelTable {
  std::vector<LabelTableRow> rows;
  std::vector<std::string> notes;  // what was not read, or read as "other", and why
};

// True when `reply` holds a column heading of this layout.
bool IsLabelTable(std::string_view reply);

LabelTable ReadLabelTable(std::string_view reply);

#endif  // READERS_LABELTABLE_H_
