// The later releases' forwarding table by incoming label: every row form the
// manuals show, both L2transport keyings, and what is kept with a note.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "readers/LabelTable.h"

using namespace testing;

namespace {

// One row on one line: "KEY OWNER ACTION field=value ... | LABEL SPACE".
std::string Shown(const LabelTableRow& row) {
  std::string text = row.inLabel ? *row.inLabel : "if:" + row.inInterface.value_or("?");
  text += " " + row.owner + " " + row.action;
  const auto add = [&](const char* name, const std::optional<std::string>& value) {
    if (value) text += std::string(" ") + name + "=" + *value;
  };
  add("text", row.actionText);
  add("out", row.outLabel);
  for (const std::string& label : row.pushLabels) text += " push=" + label;
  add("on", row.outInterface);
  add("nbr", row.nextHop);
  return text + " | " + row.labelSpace.value_or("-");
}

std::vector<std::string> Rows(const LabelTable& table) {
  std::vector<std::string> rows;
  for (const LabelTableRow& row : table.rows) rows.push_back(Shown(row));
  return rows;
}

const char kPlatformHeading[] =
    "Platform label space\n"
    "\n"
    "In Label  Owner   Action\n"
    "--------  ------  --------------------------------------------------\n";

TEST(LabelTable, ReadsEveryActionOfThePlatformTable) {
  const std::string reply =
      std::string(kPlatformHeading) +
      "17       ldp      swap to 29 on ATM5/0.1, nbr 10.10.11.5\n"
      "16       ldp      lookup on inner header/label\n"
      "52       ldp      l2transport to FastEthernet2/0.2   \n"
      "19  ldp  pop on ATM2/0.1, nbr 10.2.1.2\n"
      "21\trsvp-te\tswap to 30, push 42, push 16 on ATM5/0.1,\tnbr 10.10.11.5\t\r\n"
      "23       bgp      swap to 31, push 42 17 on tun mpls:1\n"
      "300      l2vpn    pop and forward on ATM2/0.40\n";
  ASSERT_TRUE(IsLabelTable(reply));
  const LabelTable table = ReadLabelTable(reply);
  EXPECT_THAT(Rows(table),
              ElementsAre("17 ldp swap out=29 on=ATM5/0.1 nbr=10.10.11.5 | Platform label space",
                          "16 ldp lookup | Platform label space",
                          "52 ldp l2transport on=FastEthernet2/0.2 | Platform label space",
                          "19 ldp pop on=ATM2/0.1 nbr=10.2.1.2 | Platform label space",
                          "21 rsvp-te swap out=30 push=42 push=16 on=ATM5/0.1 nbr=10.10.11.5 | "
                          "Platform label space",
                          "23 bgp swap out=31 push=42 push=17 on=tun mpls:1 | Platform label space",
                          "300 l2vpn pop on=ATM2/0.40 | Platform label space"));
  EXPECT_THAT(table.notes, IsEmpty());
}

TEST(LabelTable, L2transportRowsAreKeyedByInterfaceOrByLabelInTheSameLabelSpace) {
  const std::string reply =
      std::string(kPlatformHeading) +
      "17       ldp      swap to 29 on ATM5/0.1, nbr 10.10.11.5\n"
      "\n"
      "L2transport\n"
      "\n"
      "     Interface        Owner                 Action\n"
      "--------------------  --------  -------------------------------------------\n"
      "FastEthernet2/0.1    ldp      swap to 55, push 42 on ATM5/0.1, nbr 10.10.11.5\n"
      "\n"
      "In Label  Owner   Action\n"
      "--------  ------  ------\n"
      "300       l2vpn   l2transport to ATM2/0.40\n";
  const LabelTable table = ReadLabelTable(reply);
  EXPECT_THAT(
      Rows(table),
      ElementsAre("17 ldp swap out=29 on=ATM5/0.1 nbr=10.10.11.5 | Platform label space",
                  "if:FastEthernet2/0.1 ldp swap out=55 push=42 on=ATM5/0.1 nbr=10.10.11.5 | "
                  "Platform label space",
                  "300 l2vpn l2transport on=ATM2/0.40 | Platform label space"));
  EXPECT_THAT(table.notes, IsEmpty());
}

TEST(LabelTable, AnotherHeadingNamesTheLabelSpaceBelowAndRepeatedColumnsLoseNoRow) {
  const LabelTable table = ReadLabelTable(
      "Interface label space ATM2/0\n"
      "In Label  Owner   Action\n"
      "--------  ------  ------\n"
      "40        rsvp-te pop on ATM2/0.1\n"
      "Platform  label   space\n"
      "In Label  Owner   Action\n"
      "41        ldp     pop on ATM2/0.1\n");
  EXPECT_THAT(Rows(table), ElementsAre("40 rsvp-te pop on=ATM2/0.1 | Interface label space ATM2/0",
                                       "41 ldp pop on=ATM2/0.1 | Platform label space"));

  // A row that reads stays a row right above the next columns.
  EXPECT_THAT(Rows(ReadLabelTable("In Label  Owner   Action\n"
                                  "17        ldp     pop\n"
                                  "In Label  Owner   Action\n"
                                  "18        ldp     pop\n")),
              ElementsAre("17 ldp pop | -", "18 ldp pop | -"));
}

TEST(LabelTable, WhatDoesNotReadIsKeptAsOtherOrNotedNeverDroppedSilently) {
  const std::string reply = std::string(kPlatformHeading) +
                            "24       ldp      aggregate to 25 on ATM2/0.1\n"
                            "25       ldp      swap to 26 on ATM2/0.1 on ATM3/0.1\n"
                            "26       ldp      swap to implicit-null on ATM2/0.1\n"
                            "27       ldp      pop, push\n"
                            "28       ldp\n"
                            "Total labels: 5\n";
  const LabelTable table = ReadLabelTable(reply);
  EXPECT_THAT(
      Rows(table),
      ElementsAre("24 ldp other text=aggregate to 25 on ATM2/0.1 | Platform label space",
                  "25 ldp other text=swap to 26 on ATM2/0.1 on ATM3/0.1 | Platform label space",
                  "26 ldp other text=swap to implicit-null on ATM2/0.1 | Platform label space",
                  "27 ldp other text=pop, push | Platform label space",
                  "if:Total labels: other text=5 | Platform label space"));
  EXPECT_THAT(
      table.notes,
      ElementsAre(
          "show mpls forwarding brief, line 5: action not understood, kept as \"other\": "
          "\"aggregate to 25 on ATM2/0.1\"",
          HasSubstr("line 6: action not understood"), HasSubstr("line 7: action not understood"),
          HasSubstr("line 8: action not understood"),
          "show mpls forwarding brief, line 9: not a row of the table, not read: \"28       ldp\"",
          HasSubstr("line 10: action not understood")));
}

TEST(LabelTable, TextBeforeAnyColumnsIsNotedAnEmptyTableHasNothingAndTheOlderLayoutIsNotOne) {
  LabelTable table =
      ReadLabelTable(std::string("% Unexpected banner\n") + kPlatformHeading + "\n  \n");
  EXPECT_THAT(table.rows, IsEmpty());
  EXPECT_THAT(table.notes,
              ElementsAre("show mpls forwarding brief, line 1: not a row of the table, not read: "
                          "\"% Unexpected banner\""));

  table = ReadLabelTable(kPlatformHeading);
  EXPECT_THAT(table.rows, IsEmpty());
  EXPECT_THAT(table.notes, IsEmpty());
  EXPECT_TRUE(IsLabelTable(kPlatformHeading));

  const char older[] =
      "to-pe2          2.2.2.2/32         In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM3/0.2 nbr 10.1.3.2\n"
      "Interface  Owner of the label: none\n";
  EXPECT_FALSE(IsLabelTable(older));
  EXPECT_FALSE(IsLabelTable(""));
  EXPECT_FALSE(IsLabelTable("In Label Owner Action Extra\n"));
}

}  // namespace
