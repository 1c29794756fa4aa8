// The later releases' forwarding table, which the module does not read: its
// replies kept as they pass, and read into label entries whose out ifIndex is
// found as the module finds its own (each field's place: tests/apps).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/ForwardingReplies.h"
#include "discovery/LabelTableEntries.h"
#include "tests/support/ScriptedDevice.h"

using namespace testing;

namespace {

const std::string kTable =
    "In Label  Owner   Action\n"
    "--------  ------  ------\n";

// The module reads every reply it passes on (tests/apps: the later release).
TEST(ForwardingReplies, KeepsTheLastTableOfEachVirtualRouter) {
  ScriptedDevice device;
  const std::string older = "to-pe2   2.2.2.2/32   In 17 on ATM2/0.1\n";
  device.Reply("show mpls forwarding brief", kTable + "17 ldp pop\n");
  device.Reply("show mpls forwarding brief", older, "vr2");
  device.Reply("show ip vrf", kTable, "vr3");
  device.Reply("show  mpls forwarding  brief", kTable + "30 ldp pop\n", "vr3");
  ForwardingReplies tap(device);
  delete tap.RunCommands(
      nullptr, {"show mpls forwarding brief", "virtual-router vr2", "show mpls forwarding brief",
                "virtual-router vr3", "show ip vrf", "show  mpls forwarding  brief"});
  EXPECT_THAT(tap.LabelTables(), ElementsAre(Pair("default", kTable + "17 ldp pop\n"),
                                             Pair("vr3", kTable + "30 ldp pop\n")));

  // The next request starts in the default router again, whose new table replaces its first.
  device.Reply("show mpls forwarding brief", kTable + "18 ldp pop\n");
  delete tap.RunCommands(nullptr, {"show mpls forwarding brief"});
  EXPECT_THAT(tap.LabelTables(), ElementsAre(Pair("default", kTable + "18 ldp pop\n"),
                                             Pair("vr3", kTable + "30 ldp pop\n")));
}

// Each entry as "VR IN OUT-IFINDEX".
std::vector<std::string> Entries(const report::Report& found) {
  std::vector<std::string> entries;
  for (const report::LabelEntry& e : found.labelEntries) {
    entries.push_back(*e.virtualRouter + " " +
                      e.inLabel.value_or("if:" + e.inInterface.value_or("")) + " " +
                      (e.outIfIndex ? std::to_string(*e.outIfIndex) : "-"));
  }
  return entries;
}

TEST(LabelTableEntries, OutInterfacesAreFoundInTheRoutersTableThenItsVrfsOrWarnedOf) {
  ScriptedDevice device;
  device.AddWalkRow("ifDescr", "@default", "1", "ATM2/0");  // layer 2: no key
  device.AddWalkRow("ifDescr", "@default", "10", "ip2/0.1");
  device.AddWalkRow("ifDescr", "@default:red", "31", "ATM2/0.1");  // known already
  device.AddWalkRow("ifDescr", "@default:red", "30", "ATM2/0.10");
  device.AddWalkRow("ifDescr", "@vr2", "50", "ip7/0.1");
  report::Report found;
  found.virtualRouters = {{"default", std::vector<std::string>{"red"}}, {"vr2", std::nullopt}};
  CKelRecord record("pe1");
  AddLabelTableEntries({{"default", kTable + "17 ldp swap to 29 on ATM2/0.1, nbr 10.2.1.2\n"
                                             "18 ldp pop on ATM2/0.10\n"
                                             "19 ldp pop on ATM9/0.9\n"
                                             "20 ldp lookup\n"
                                             "21 ldp\n"},
                        {"vr2", kTable + "40 rsvp-te pop on ATM7/0.1\n"},
                        {"vr3", kTable + "60 bgp lookup\n"}},
                       device, record, found);
  EXPECT_THAT(Entries(found), ElementsAre("default 17 10", "default 18 30", "default 19 -",
                                          "default 20 -", "vr2 40 50", "vr3 60 -"));
  std::vector<std::string> warnings;
  for (const report::Warning& w : found.warnings)
    warnings.push_back(*w.virtualRouter + " " + w.text);
  EXPECT_THAT(warnings,
              ElementsAre(HasSubstr("default show mpls forwarding brief, line 7: not a row"),
                          "default show mpls forwarding brief: no ifIndex for out interface "
                          "'ATM9/0.9' of in label 19"));
  // A table that names no interface costs no walk.
  for (const auto& walk : device.Walks()) EXPECT_NE(walk.second, "@vr3");
}

}  // namespace
