// "show mpls interface": which interfaces and which address each record yields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Names = std::vector<std::string>;

struct MplsInterfaces {
  explicit MplsInterfaces(const char* reply) {
    if (reply) h.device.Reply("show mpls interface", reply);
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  std::string Parse() {  // the level-1 output
    ScopedDebugLevel level(1);
    testing::internal::CaptureStdout();
    h.peer.GetMajorIfNameAndIp(&h.record, names, addrs, "default");
    return testing::internal::GetCapturedStdout();
  }
  AgentHarness h;
  Names names{"earlier"};
  Names addrs{"192.0.2.1"};
};

TEST(LabelMplsInterfaces, UpAndDownInterfacesFollowInReplyOrderWithTheirFirstBareAddress) {
  MplsInterfaces p(
      "Interface ATM2/0.1  Up\n"
      "  Label space: platform\n"
      "  IP interfaces on this MPLS interface:\n"
      "    10.1.1.1/30\n"
      "    10.1.1.5/30\n"
      "Interface ATM3/0.2  Down\n"
      "  IP interfaces on this MPLS interface:\n"
      "    10.1.2.1\n");
  EXPECT_EQ(p.Parse(), "");
  EXPECT_THAT(p.names, ElementsAre("earlier", "ATM2/0.1", "ATM3/0.2"));
  EXPECT_THAT(p.addrs, ElementsAre("192.0.2.1", "10.1.1.1", "10.1.2.1"));
}

TEST(LabelMplsInterfaces, MissingOrShimLayoutRepliesAppendNothing) {
  MplsInterfaces missing(nullptr);
  EXPECT_EQ(missing.Parse(),
            "::GetMajorIfNameAndIp() no response to telnet command show mpls interface\n");
  EXPECT_THAT(missing.names, ElementsAre("earlier"));

  MplsInterfaces shim("MPLS shim interface FastEthernet2/0\n  Interface is up\n");
  EXPECT_EQ(shim.Parse(),
            "::GetMajorIfNameAndIp() failed to match expected telnet response "
            "(no mpls interface data?)!\n");
  EXPECT_THAT(shim.addrs, ElementsAre("192.0.2.1"));
  EXPECT_THAT(shim.h.Errors(), IsEmpty());
}

}  // namespace
