// One request per device, replies cached by virtual router, VRF and command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Names = std::vector<std::string>;
using Table = std::vector<Names>;

std::string Cached(AgentHarness& h, const char* vr, const char* vrf, const char* command) {
  std::string reply;
  if (!h.peer.RetrieveTelnetData(&h.medData, vr, vrf, command, reply)) return "<none>";
  return reply;
}

TEST(TelnetDownload, SendsEveryCommandOnceAndCachesRepliesByKey) {
  AgentHarness h;
  h.device.Reply("show mpls interface", "mpls of default");
  h.device.Reply("show ip route vrf red", "routes of red");
  h.device.Reply("show ip bgp vpnv4 vrf red next-hops", "hops of red");
  h.device.Reply("show mpls interface", "mpls of vr2", "vr2");
  Names vrs{"default", "vr2"};
  Table vrfs{{"red"}, {}};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, &vrfs);

  ASSERT_EQ(h.device.Sessions().size(), 1u);
  EXPECT_THAT(
      h.device.Sessions()[0],
      ElementsAre("virtual-router default", "show mpls interface", "show mpls forwarding brief",
                  "show ip vrf detail", "show ip bgp vpnv4 vrf red next-hops",
                  "show ip route vrf red", "virtual-router vr2", "show mpls interface",
                  "show mpls forwarding brief", "show ip vrf detail"));
  EXPECT_EQ(Cached(h, "default", nullptr, "show mpls interface"), "mpls of default");
  EXPECT_EQ(Cached(h, "vr2", nullptr, "show mpls interface"), "mpls of vr2");
  EXPECT_EQ(Cached(h, "default", "red", "show ip route vrf "), "routes of red");
  EXPECT_EQ(Cached(h, "default", "red", "show ip bgp vpnv4 vrf "), "hops of red");
  EXPECT_EQ(Cached(h, "default", nullptr, "virtual-router"), "");
  // Commands the router did not answer are simply absent.
  EXPECT_EQ(Cached(h, "default", nullptr, "show mpls forwarding brief"), "<none>");
  EXPECT_THAT(h.Errors(), IsEmpty());
}

TEST(TelnetDownload, WithoutVrfTableOrReplyVectorStillStoresACache) {
  AgentHarness h;
  h.device.Reply("show mpls interface", "x");
  h.device.FailSessions(true);
  Names vrs{"default"};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, nullptr);
  EXPECT_EQ(h.device.Sessions()[0].size(), 4u);  // no VRF commands
  EXPECT_TRUE(h.medData.DMDHasDataPtr("UnisphereTelnetData"));
  EXPECT_EQ(Cached(h, "default", nullptr, "show mpls interface"), "<none>");
  EXPECT_THAT(h.Errors(), IsEmpty());
}

TEST(TelnetDownload, OneLostReplyEmptiesTheWholeCache) {
  AgentHarness h;
  h.device.Reply("show mpls interface", "x");
  h.device.DropLastReplyOfSession(0);
  Names vrs{"default"};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, nullptr);

  EXPECT_EQ(Cached(h, "default", nullptr, "show mpls interface"), "<none>");
  ASSERT_EQ(h.Errors().size(), 1u);
  EXPECT_EQ(h.Errors()[0].code, -220402);
  EXPECT_EQ(h.Errors()[0].line, 1915);
  EXPECT_EQ(h.Errors()[0].text,
            std::string("Unisphere telnet data download for ") + h.record.RRPrintStr(true));
}

TEST(TelnetDownload, KeysWithoutSeparatorCollideAndTheFirstReplyStays) {
  AgentHarness h;
  h.device.Reply("show ip route vrf c", "routes of ab:c", "ab");
  h.device.Reply("show ip route vrf bc", "routes of a:bc", "a");
  Names vrs{"ab", "a"};
  Table vrfs{{"c"}, {"bc"}};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, &vrfs);

  EXPECT_EQ(Cached(h, "a", "bc", "show ip route vrf "), "routes of ab:c");
  std::vector<KelErrorRecord> duplicates;
  for (const auto& e : h.Errors()) {
    if (e.line == 1898) duplicates.push_back(e);
  }
  // The bgp commands got no reply, so only the route replies collide.
  ASSERT_EQ(duplicates.size(), 1u);
  EXPECT_EQ(duplicates[0].code, -220439);
  EXPECT_EQ(duplicates[0].text,
            "Failed to add telnet key - value abcshow ip route vrf  - routes of a:bc");
}

TEST(TelnetRetrieval, AppendsTreatsNullVrfAsEmptyAndReportsMissingArguments) {
  AgentHarness h;
  std::string reply = "before:";
  EXPECT_FALSE(
      h.peer.RetrieveTelnetData(&h.medData, "default", nullptr, "show ip vrf detail", reply));
  EXPECT_THAT(h.Errors(), IsEmpty()) << "no cache is not an error";

  h.device.Reply("show ip vrf detail", "detail");
  Names vrs{"default"};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, nullptr);
  EXPECT_TRUE(h.peer.RetrieveTelnetData(&h.medData, "default", "", "show ip vrf detail", reply));
  EXPECT_EQ(reply, "before:detail");

  EXPECT_FALSE(h.peer.RetrieveTelnetData(nullptr, "default", nullptr, "show x", reply));
  EXPECT_FALSE(h.peer.RetrieveTelnetData(&h.medData, nullptr, nullptr, "show x", reply));
  EXPECT_FALSE(h.peer.RetrieveTelnetData(&h.medData, "default", nullptr, nullptr, reply));
  ASSERT_EQ(h.Errors().size(), 3u);
  for (const auto& e : h.Errors()) {
    EXPECT_EQ(e.code, -220402);
    EXPECT_EQ(e.line, 1964);
    EXPECT_EQ(e.text, "Unisphere telnet data retrieval failed.");
  }
}

TEST(TelnetCleanUp, RemovesTheCacheOnceAndReportsNullMediationData) {
  AgentHarness h;
  Names vrs{"default"};
  h.peer.DownloadBasicTelnetData(&h.record, &h.medData, &vrs, nullptr);
  h.peer.CleanUpTelnetData(&h.medData);
  EXPECT_FALSE(h.medData.DMDHasDataPtr("UnisphereTelnetData"));
  h.peer.CleanUpTelnetData(&h.medData);
  EXPECT_THAT(h.Errors(), IsEmpty());

  h.peer.CleanUpTelnetData(nullptr);
  ASSERT_EQ(h.Errors().size(), 1u);
  EXPECT_EQ(h.Errors()[0].code, -220552);
  EXPECT_EQ(h.Errors()[0].line, 2009);
  EXPECT_FALSE(h.Errors()[0].hasText);
}

}  // namespace
