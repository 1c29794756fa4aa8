// The two cached VRF replies: "show ip route vrf NAME" into parallel route
// lists, "show ip bgp vpnv4 vrf NAME next-hops" into labels by next hop and
// interface key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using Names = std::vector<std::string>;

std::string Route(const std::string& dest, const std::string& hop, const std::string& intf) {
  return dest + std::string(20 - dest.size(), ' ') + "Bgp     " + hop + "         200/0      " +
         intf + "\n";
}

std::string NextHop(const std::string& hop, const std::string& label, const std::string& direct) {
  return "Indirect next-hop " + hop + "\n  MPLS stacked label " + label +
         "\n  Reachable (metric 2)\n  Direct next-hop " + direct + "\n  Reference count is 3\n";
}

struct VrfReplies {
  VrfReplies(const std::string& routes, const std::string& nextHops) {
    if (!routes.empty()) h.device.Reply("show ip route vrf red", routes);
    if (!nextHops.empty()) h.device.Reply("show ip bgp vpnv4 vrf red next-hops", nextHops);
    h.SetVirtualRouters({"default"}, {{"red"}});
    h.Download();
  }
  void Routes() { h.peer.GetSpecificVRFInfo(&h.record, "red", dests, hops, ifs, "default"); }
  void Labels() { h.peer.GetLabels(&h.record, labels, vrf, "default"); }

  AgentHarness h;
  Names dests{"earlier"}, hops{"earlier"}, ifs{"earlier"};
  std::string vrf = "red";
  std::map<std::string, std::string> labels{{"9.9.9.9.ip1/0.1", "99"}};
};

TEST(VrfRoutes, OneRoutePerLineJoiningOnlyTrueContinuations) {
  // A continuation: 20 blanks, 30 characters of other columns, 5 or more blanks.
  const std::string continuation = std::string(50, ' ') + "     .1\n";
  const std::string notContinuation = std::string(19, ' ') + std::string(31, 'x') + "     .2\n";
  VrfReplies p(Route("10.5.0.0/16", "2.2.2.2*", "serial4/1:1/1/1/1/1") + continuation +
                   Route("10.6.0.0", "2.2.2.2", "ATM2/0.11") +
                   Route("10.7.0.0/16", "2.2.2.3", "ATM2/0.12") + notContinuation +
                   Route("10.8.0.0/16", "2.2.2.4", "tun mpls:1"),
               "");
  p.Routes();
  EXPECT_THAT(p.dests, ElementsAre("earlier", "10.5.0.0/16", "10.7.0.0/16", "10.8.0.0/16"));
  EXPECT_THAT(p.hops, ElementsAre("earlier", "2.2.2.2", "2.2.2.3", "2.2.2.4"));
  EXPECT_THAT(p.ifs, ElementsAre("earlier", "serial4/1:1/1/1/1/1.1", "ATM2/0.12", "tun mpls:1"));
}

TEST(VrfRoutes, HeadingsAloneFailToMatch) {
  VrfReplies p("Prefix/Length       Type    Next Hop        Dist/Met   Intf\n", "");
  ScopedDebugLevel level(1);
  CaptureStdout();
  p.Routes();
  EXPECT_EQ(GetCapturedStdout(),
            "::GetSpecificVRFInfo() failed to match expected telnet response (no vrf data?)!\n");
  EXPECT_THAT(p.dests, ElementsAre("earlier"));
}

TEST(VpnLabels, KeyedByNextHopAndInterfaceKeyFirstLabelWins) {
  VrfReplies p("", NextHop("2.2.2.2", "16", "ATM2/0.10 (10.7.7.1)") +
                       NextHop("2.2.2.2", "17", "atm2/0.10 (10.7.7.5)") +
                       NextHop("::ffff:2.2.2.2", "18", "ATM2/0.11 (10.7.8.1)"));
  ScopedDebugLevel level(4);
  CaptureStdout();
  p.Labels();
  // The record whose key was taken still reports itself as added.
  EXPECT_THAT(GetCapturedStdout(),
              HasSubstr("::GetLabels() added label 17 keyed on 2.2.2.2.ip2/0.10\n"));
  EXPECT_THAT(p.labels, ElementsAre(Pair("2.2.2.2.ip2/0.10", "16"), Pair("2.2.2.2.ip2/0.11", "18"),
                                    Pair("9.9.9.9.ip1/0.1", "99")));
}

// A later release prints an index where the stacked label stood: no label.
TEST(VpnLabels, LaterReleaseRecordWithoutStackedLabelAddsNoLabel) {
  VrfReplies p("",
               "Indirect next-hop 2.2.2.2\n  Resolution in default table of VR default\n"
               "  MPLS indirect next-hop index 17\n  Reachable (metric 2)\n"
               "  Direct next-hop ATM2/0.10 (10.7.7.1)\n  Direct next-hop ATM2/0.11 (10.7.7.5)\n"
               "  Reference count is 3\n");
  p.Labels();
  EXPECT_THAT(p.labels, ElementsAre(Pair("9.9.9.9.ip1/0.1", "99")));
}

TEST(VrfParsers, TraceTheirStepsFromTheMatchStraightToTheCount) {
  VrfReplies p(Route("10.5.0.0/16", "2.2.2.2", "ATM2/0.10"), NextHop("2.2.2.2", "16", "ATM2/0.10"));
  ScopedDebugLevel level(4);
  CaptureStdout();
  p.Routes();
  p.Labels();
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::GetSpecificVRFInfo(,red,,,default)\n"
            "::GetSpecificVRFInfo() compiled ok, but does it match?\n"
            "::GetSpecificVRFInfo() 1 entries in the telnet table\n"
            "::GetSpecificVRFInfo() table entry found of (0)\n" +
                Route("10.5.0.0/16", "2.2.2.2", "ATM2/0.10") +
                "::GetSpecificVRFInfo() RESULTS: (destName,nextHop,ifName)=('10.5.0.0/16','2.2.2.2',"
                "'ATM2/0.10')\n"
                "CPelkUnisphereMPLSTelnet::GetLabels(,,red,default)\n"
                "::GetLabels() compiled ok, but does it match?\n"
                "::GetLabels() 1 entries in the telnet table\n"
                "::GetLabels() table entry found of (0)\n"
                "Indirect next-hop 2.2.2.2\n  MPLS stacked label 16\n  Reachable (metric 2)\n"
                "  Direct next-hop ATM2/0.10\n  Reference\n"
                "::GetLabels() RESULT: (nexthop,label,ifName)=('2.2.2.2','16','ATM2/0.10')\n"
                "::GetLabels() added label 16 keyed on 2.2.2.2.ip2/0.10\n");
}

TEST(VpnLabels, MissingReplyLeavesTheMapAlone) {
  VrfReplies p("", "");
  ScopedDebugLevel level(1);
  CaptureStdout();
  p.Labels();
  EXPECT_EQ(GetCapturedStdout(),
            "::GetLabels() no response from device for show ip bgp vpnv4 vrf red next-hops on "
            "default\n");
  EXPECT_EQ(p.labels.size(), 1u);
}

}  // namespace
