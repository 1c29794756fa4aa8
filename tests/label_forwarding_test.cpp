// "show mpls forwarding brief": destinations with one In and one Out line become
// label entries, one per incoming label of the virtual router.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CPelkUnisphereLabelEntry.h"
#include "ERXHost.h"
#include "support/AgentHarness.h"
#include "support/LabelEntryBindings.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string Key(const char* cliName) {
  std::string key;
  ERXGetDescrFromVrfDescr(cliName, "default", key);
  return key;
}

struct Forwarding {
  explicit Forwarding(const std::string& reply) {
    if (!reply.empty()) h.device.Reply("show mpls forwarding brief", reply);
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  void Parse() { h.peer.ObtainLabelData(&h.record, &result, index, "default"); }
  // Level-1 output of the parse.
  std::string ParseQuietly() {
    ScopedDebugLevel level(1);
    CaptureStdout();
    Parse();
    return GetCapturedStdout();
  }
  std::vector<BindingTexts> Entries() {
    std::vector<BindingTexts> entries;
    CKelDoubleList& list = result.LabelEntries();
    for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
      entries.push_back(Converted(*static_cast<CPelkMPLSLabelEntry*>(it)));
    }
    return entries;
  }

  AgentHarness h;
  CPelkMPLSData result;
  std::map<std::string, int> index{{Key("ATM2/0.1"), 11},
                                   {Key("ATM3/0.2"), 12},
                                   {Key("ATM2/0.5"), 15},
                                   {Key("tun mpls:1"), 40}};
};

// In, Out, next hop, LSP and inbound indexes of each entry, in result order.
std::vector<std::string> Summaries(const std::vector<BindingTexts>& entries) {
  std::vector<std::string> lines;
  for (const BindingTexts& e : entries) {
    lines.push_back(ValueOf(e, "m_InLabel") + " " + ValueOf(e, "m_InboundIfIndex") + " -> " +
                    ValueOf(e, "m_OutLabel") + " " + ValueOf(e, "m_OutIfIndex") + " " +
                    ValueOf(e, "m_OutInterface") + " nbr " + ValueOf(e, "m_NextHop") + " [" +
                    ValueOf(e, "m_LspName") + "@" + ValueOf(e, "m_VRName") + "]");
  }
  return lines;
}

TEST(LabelForwarding, EachDestinationOfEachLspBecomesOneEntry) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
      "                10.2.2.3/32        In 18 on ATM2/0.1\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
      "to-pe3          10.3.3.3/32        In 19 on ATM2/0.5\n"
      "                                   Out 31 on tun mpls:1 nbr 10.9.9.9\n");
  EXPECT_EQ(f.ParseQuietly(), "");
  EXPECT_THAT(Summaries(f.Entries()),
              ElementsAre("17 (11) -> 20 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                          "18 (11) -> 21 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                          "19 (15) -> 31 40 mpls:1 nbr 10.9.9.9 [to-pe3@default]"));
  const auto first = f.Entries()[0];
  EXPECT_EQ(ValueOf(first, "m_InInterface"), "(ATM2/0.1)");
}

TEST(LabelForwarding, DestinationsWithOneOrThreeLabelLinesAreSkippedSilently) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                10.2.2.3/32        In 18 on ATM2/0.1\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
      "                                   Out 22 on ATM2/0.5 nbr 10.1.5.2\n"
      "                10.2.2.4/32        In 19 on ATM2/0.1\n"
      "                                   Out 23 on ATM3/0.2 nbr 10.1.1.2\n");
  EXPECT_EQ(f.ParseQuietly(), "");
  EXPECT_THAT(Summaries(f.Entries()),
              ElementsAre("19 (11) -> 23 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]"));
}

TEST(LabelForwarding, OneSidedOrNeighbourlessDestinationsAreRejectedWithTheirSizes) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   In 18 on ATM2/0.5\n"
      "                10.2.2.3/32        In 19 on ATM2/0.1\n"
      "                                   Out 21 on ATM3/0.2\n");
  EXPECT_EQ(f.ParseQuietly(),
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 0, 0, 0)\n"
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 2, 8, 0)\n");
  EXPECT_THAT(f.Entries(), IsEmpty());
}

TEST(LabelForwarding, RowsWithAKnownIncomingLabelOnlyAddTheirIncomingInterface) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
      "to-pe3          10.3.3.3/32        In 17 on ATM2/0.5\n"
      "                                   Out 31 on tun mpls:1 nbr 10.9.9.9\n"
      "                10.3.3.4/32        In 017 on ATM2/0.5\n"
      "                                   Out 32 on tun mpls:1 nbr 10.9.9.9\n");
  f.Parse();
  EXPECT_THAT(Summaries(f.Entries()),
              ElementsAre("17 (11,15) -> 20 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                          "017 (15) -> 32 40 mpls:1 nbr 10.9.9.9 [to-pe3@default]"));
  // Labels merge as text but are handed over as numbers too.
  auto* leadingZero = static_cast<CPelkMPLSLabelEntry*>(
      f.result.LabelEntries().RDLGetNext(f.result.LabelEntries().RDLHead()));
  EXPECT_EQ(leadingZero->InLabel(), 17);
}

TEST(LabelForwarding, AnUnresolvedOutgoingInterfaceLeavesTheLabelFreeForLaterRows) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM9/0.9 nbr 10.1.1.2\n"
      "                10.2.2.3/32        In 17 on ATM2/0.5\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n");
  EXPECT_EQ(f.ParseQuietly(),
            "::ObtainLabelData() failed to add label data because ifIndex for 'ATM9/0.9' "
            "could not be found\n");
  EXPECT_THAT(Summaries(f.Entries()),
              ElementsAre("17 (15) -> 21 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]"));
}

TEST(LabelForwarding, AnUnresolvedIncomingInterfaceIsRecordedAsMinusOneOnce) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM8/0.8\n"
      "                                   Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
      "                10.2.2.3/32        In 17 on ATM8/0.9\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n");
  EXPECT_EQ(f.ParseQuietly(), "");
  EXPECT_THAT(Summaries(f.Entries()),
              ElementsAre("17 (-1) -> 20 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]"));
}

TEST(LabelForwarding, MissingOrForeignRepliesAddNothing) {
  Forwarding missing("");
  EXPECT_EQ(missing.ParseQuietly(),
            "::ObtainLabelData() no response to telnet command show mpls forwarding brief\n");

  // The table by incoming label that later releases print.
  Forwarding later(
      "Platform label space\n"
      "In Label  Owner  Action\n"
      "--------  -----  ------\n"
      "17        ldp    swap to 29 on ATM5/0.1, nbr 10.10.11.5\n");
  EXPECT_EQ(later.ParseQuietly(),
            "::ObtainLabelData() failed to match expected telnet response "
            "(no mpls fwding data?)!\n");
  EXPECT_THAT(later.Entries(), IsEmpty());
  EXPECT_THAT(later.h.Errors(), IsEmpty());
}

TEST(LabelForwarding, TracesEachStepAtLevelFour) {
  const std::string lsp =
      "to-pe2  10.2.2.2/32  In 17 on ATM2/0.1\n"
      "                     Out 20 on ATM3/0.2 nbr 10.1.1.2";
  Forwarding f(lsp + "\n");
  ScopedDebugLevel level(4);
  CaptureStdout();
  f.Parse();
  const std::string entry =
      "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry("
      "17,17,11,ATM2/0.1,20,20,12,ATM3/0.2,10.1.1.2,to-pe2,default)\n";
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::ObtainLabelData(,,,default)\n"
            "::ObtainLabelData() compiled ok, but does it match?\n"
            "::ObtainLabelData() has a match - lets extract it!\n"
            "::ObtainLabelData() 1 entries in the telnet table\n"
            "::ObtainLabelData() table entry found of (0)\n" +
                lsp + "\n"
                "::ObtainLabelData() table entry contains 1 destination matches\n"
                "::ObtainLabelData() destination found of (0)\n"
                "  10.2.2.2/32  In 17 on ATM2/0.1\n"
                "                     Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
                "::ObtainLabelData() destination entry contains 2 label information matches\n"
                "::ObtainLabelData() label info found of (0) \n"
                "  In 17 on ATM2/0.1\n"
                "::ObtainLabelData() RESULT=(lspname,destination,in/out,label,ifDescr,nextHop)="
                "('to-pe2', '10.2.2.2/32', 'In', '17', 'ATM2/0.1', '')\n"
                "::ObtainLabelData() label info found of (1) \n"
                "\n                     Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
                "::ObtainLabelData() RESULT=(lspname,destination,in/out,label,ifDescr,nextHop)="
                "('to-pe2', '10.2.2.2/32', 'Out', '20', 'ATM3/0.2', '10.1.1.2')\n" +
                entry);
}

}  // namespace
