// "show mpls interface": which interfaces and which address each record yields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using Names = std::vector<std::string>;

const char kTwoInterfaces[] =
    "Interface ATM2/0.1  Up\n"
    "  Label space: platform\n"
    "  Hold time: 15 seconds\n"
    "  IP interfaces on this MPLS interface:\n"
    "    10.1.1.1/30\n"
    "    10.1.1.5/30\n"
    "Interface ATM3/0.2  Down\n"
    "  Label space: platform\n"
    "  IP interfaces on this MPLS interface:\n"
    "    10.1.2.1\n";

struct MplsInterfaces {
  explicit MplsInterfaces(const std::string& reply) {
    if (!reply.empty()) h.device.Reply("show mpls interface", reply);
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  void Parse() { h.peer.GetMajorIfNameAndIp(&h.record, names, addrs, "default"); }

  AgentHarness h;
  Names names;
  Names addrs;
};

TEST(LabelMplsInterfaces, UpAndDownInterfacesInReplyOrderWithTheirFirstBareAddress) {
  MplsInterfaces p(kTwoInterfaces);
  p.names = {"earlier"};
  p.addrs = {"192.0.2.1"};
  p.Parse();
  EXPECT_THAT(p.names, ElementsAre("earlier", "ATM2/0.1", "ATM3/0.2"));
  EXPECT_THAT(p.addrs, ElementsAre("192.0.2.1", "10.1.1.1", "10.1.2.1"));
  EXPECT_THAT(p.h.Errors(), IsEmpty());
}

TEST(LabelMplsInterfaces, MissingReplyIsReportedAtLevelOne) {
  MplsInterfaces p("");
  ScopedDebugLevel level(1);
  CaptureStdout();
  p.Parse();
  EXPECT_EQ(GetCapturedStdout(),
            "::GetMajorIfNameAndIp() no response to telnet command show mpls interface\n");
  EXPECT_THAT(p.names, IsEmpty());
}

TEST(LabelMplsInterfaces, ShimLayoutOfLaterReleasesDoesNotMatch) {
  MplsInterfaces p(
      "MPLS shim interface FastEthernet2/0\n"
      "  Interface is up, line protocol is up\n"
      "  Queue 0: 0 packets\n");
  ScopedDebugLevel level(1);
  CaptureStdout();
  p.Parse();
  EXPECT_EQ(GetCapturedStdout(),
            "::GetMajorIfNameAndIp() failed to match expected telnet response "
            "(no mpls interface data?)!\n");
  EXPECT_THAT(p.names, IsEmpty());
  EXPECT_THAT(p.h.Errors(), IsEmpty());
}

TEST(LabelMplsInterfaces, TracesEachStepAtLevelFour) {
  MplsInterfaces p("Interface ATM2/0.1  Up\n  IP interfaces on this MPLS interface:\n    10.1.1.1/30\n");
  ScopedDebugLevel level(4);
  CaptureStdout();
  p.Parse();
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::GetMajorIfNameAndIp(,,,default)\n"
            "::GetMajorIfNameAndIp() compiled ok, but does it match?\n"
            "::GetMajorIfNameAndIp() has a match - lets extract it!\n"
            "::GetMajorIfNameAndIp() 1 entries in the telnet table\n"
            "::GetMajorIfNameAndIp() table entry found of (0)\n"
            "Interface ATM2/0.1  Up\n  IP interfaces on this MPLS interface:\n    10.1.1.1/30\n\n"
            "::GetMajorIfNameAndIp() RESULT=(ifName,ipAddr)=('ATM2/0.1', '10.1.1.1')\n");
}

}  // namespace
