// "show mpls forwarding brief": destinations with one In and one Out line become
// label entries, one per incoming label (compared as text) of the virtual router.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ERXHost.h"
#include "support/AgentHarness.h"
#include "support/LabelEntryBindings.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::string Key(const char* cliName) {
  std::string key;
  ERXGetDescrFromVrfDescr(cliName, "default", key);
  return key;
}

struct Forwarding {
  explicit Forwarding(const char* reply) {
    if (reply) h.device.Reply("show mpls forwarding brief", reply);
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  std::string Parse() {  // the level-1 output
    ScopedDebugLevel level(1);
    testing::internal::CaptureStdout();
    h.peer.ObtainLabelData(&h.record, &result, index, "default");
    return testing::internal::GetCapturedStdout();
  }
  // "in (inbound ifIndexes) -> out outIfIndex outInterface nbr nextHop [lsp@vr]" per entry.
  std::vector<std::string> Entries() {
    std::vector<std::string> lines;
    CKelDoubleList& list = result.LabelEntries();
    for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
      const BindingTexts e = Converted(*static_cast<CPelkMPLSLabelEntry*>(it));
      lines.push_back(ValueOf(e, "m_InLabel") + " " + ValueOf(e, "m_InboundIfIndex") + " -> " +
                      ValueOf(e, "m_OutLabel") + " " + ValueOf(e, "m_OutIfIndex") + " " +
                      ValueOf(e, "m_OutInterface") + " nbr " + ValueOf(e, "m_NextHop") + " [" +
                      ValueOf(e, "m_LspName") + "@" + ValueOf(e, "m_VRName") + "]");
    }
    return lines;
  }
  AgentHarness h;
  CPelkMPLSData result;
  std::map<std::string, int> index{{Key("ATM2/0.1"), 11}, {Key("ATM3/0.2"), 12},
                                   {Key("ATM2/0.5"), 15}, {Key("tun mpls:1"), 40}};
};

TEST(LabelForwarding, EachDestinationOfEachLspBecomesOneEntry) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
      "                10.2.2.3/32        In 18 on ATM2/0.1\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
      "to-pe3          10.3.3.3/32        In 19 on ATM2/0.5\n"
      "                                   Out 31 on tun mpls:1 nbr 10.9.9.9\n");
  EXPECT_EQ(f.Parse(), "");
  EXPECT_THAT(f.Entries(), ElementsAre("17 (11) -> 20 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                                       "18 (11) -> 21 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                                       "19 (15) -> 31 40 mpls:1 nbr 10.9.9.9 [to-pe3@default]"));
}

TEST(LabelForwarding, OnlyDestinationsWithOneInAndOneOutLineWithNeighbourAreKept) {
  Forwarding f(
      "to-pe2          10.2.2.1/32        In 16 on ATM2/0.1\n"
      "                10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   In 18 on ATM2/0.5\n"
      "                10.2.2.3/32        In 19 on ATM2/0.1\n"
      "                                   Out 21 on ATM3/0.2\n"
      "                10.2.2.4/32        In 20 on ATM2/0.1\n"
      "                                   Out 22 on ATM3/0.2 nbr 10.1.1.2\n"
      "                                   Out 23 on ATM2/0.5 nbr 10.1.5.2\n"
      "                10.2.2.5/32        In 24 on ATM2/0.1\n"
      "                                   Out 25 on ATM3/0.2 nbr 10.1.1.2\n");
  EXPECT_EQ(f.Parse(),
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 0, 0, 0)\n"
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 2, 8, 0)\n");
  EXPECT_THAT(f.Entries(), ElementsAre("24 (11) -> 25 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]"));
}

TEST(LabelForwarding, LaterRowsWithAKnownIncomingLabelOnlyAddTheirIncomingInterface) {
  Forwarding f(
      "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
      "                                   Out 20 on ATM9/0.9 nbr 10.1.1.2\n"
      "                10.2.2.3/32        In 17 on ATM8/0.8\n"
      "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
      "to-pe3          10.3.3.3/32        In 17 on ATM2/0.5\n"
      "                                   Out 31 on tun mpls:1 nbr 10.9.9.9\n"
      "                10.3.3.4/32        In 17 on ATM8/0.9\n"
      "                                   Out 32 on tun mpls:1 nbr 10.9.9.9\n"
      "                10.3.3.5/32        In 017 on ATM2/0.5\n"
      "                                   Out 33 on tun mpls:1 nbr 10.9.9.9\n");
  EXPECT_EQ(f.Parse(),
            "::ObtainLabelData() failed to add label data because ifIndex for 'ATM9/0.9' "
            "could not be found\n");
  EXPECT_THAT(f.Entries(), ElementsAre("17 (-1,15) -> 21 12 ATM3/0.2 nbr 10.1.1.2 [to-pe2@default]",
                                       "017 (15) -> 33 40 mpls:1 nbr 10.9.9.9 [to-pe3@default]"));
  auto* leadingZero = static_cast<CPelkMPLSLabelEntry*>(f.result.LabelEntries().RDLGetNext(
      f.result.LabelEntries().RDLHead()));
  EXPECT_EQ(leadingZero->InLabel(), 17);
}

TEST(LabelForwarding, MissingOrForeignRepliesAddNothing) {
  Forwarding missing(nullptr);
  EXPECT_EQ(missing.Parse(),
            "::ObtainLabelData() no response to telnet command show mpls forwarding brief\n");

  Forwarding byInLabel(  // the layout of later releases
      "Platform label space\n"
      "In Label  Owner  Action\n"
      "17        ldp    swap to 29 on ATM5/0.1, nbr 10.10.11.5\n");
  EXPECT_EQ(byInLabel.Parse(),
            "::ObtainLabelData() failed to match expected telnet response (no mpls fwding data?)!\n");
  EXPECT_THAT(byInLabel.Entries(), IsEmpty());
  EXPECT_THAT(byInLabel.h.Errors(), IsEmpty());
}

}  // namespace
