// A VRF route's outgoing interface index: from the index when it knows the
// interface, else from the router's detail of that route, checked and learnt.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const char kDetailCommand[] = "show ip route vrf red 10.1.0.0 detail";

std::string Detail(const std::string& intf) {
  return "10.1.0.0/16\n  Type: Bgp  Distance: 200\n    NHop: 2.2.2.2\n    IfIndx: 23\n"
         "    Intf: " +
         intf + "\n  Age: 1d\n";
}

struct Resolver {
  int Resolve(const std::string& vrfDescr, const std::string& dest = "10.1.0.0/16") {
    return h.peer.FindVrfIfIndex(&h.record, "red", dest, "2.2.2.2", vrfDescr, index, "default");
  }
  AgentHarness h;
  std::map<std::string, int> index;
};

TEST(VrfResolver, KnownInterfaceIsAnsweredFromTheIndexWithoutAsking) {
  Resolver r;
  r.index = {{"ip2/0.10", 7}};
  EXPECT_EQ(r.Resolve("ATM2/0.10"), 7);
  EXPECT_THAT(r.h.device.Sessions(), IsEmpty());
}

TEST(VrfResolver, UnknownInterfaceIsAskedForOnceThenKnown) {
  Resolver r;
  r.h.device.Reply(kDetailCommand, Detail("ATM2/0.12"));
  EXPECT_EQ(r.Resolve("ATM2/0.12"), 23);
  EXPECT_EQ(r.Resolve("ATM2/0.12", "10.9.0.0/16"), 23);
  EXPECT_THAT(r.h.device.Sessions(),
              ElementsAre(ElementsAre("virtual-router default", kDetailCommand)));
  EXPECT_THAT(r.index, ElementsAre(Pair("ip2/0.12", 23)));
}

TEST(VrfResolver, ReportedDescriptionNeedOnlyContainTheExpectedOneBlanksAside) {
  for (const std::string reported : {"ATM 2/0.1", "ATM2/0.10", "ATM2/\n0.1"}) {
    Resolver r;
    r.h.device.Reply(kDetailCommand, Detail(reported));
    EXPECT_EQ(r.Resolve("ATM2/0.1"), 23) << reported;
  }
}

TEST(VrfResolver, DisagreeingOrMissingAnswersAreNeitherUsedNorRemembered) {
  Resolver r;
  r.h.device.Reply(kDetailCommand, Detail("ATM3/0.1"));
  ScopedDebugLevel level(1);
  CaptureStdout();
  EXPECT_EQ(r.Resolve("ATM2/0.1"), -1);
  EXPECT_EQ(r.Resolve("ATM2/0.1"), -1);
  EXPECT_EQ(r.Resolve("ATM2/0.1", "10.1.1.1"), -1);  // no slash: sent whole
  const std::string mismatch =
      "::FindVrfIfIndex() failed to find ifIndex because the description consistancy check has "
      "failed!\n";
  EXPECT_EQ(GetCapturedStdout(), mismatch + mismatch +
                                     "::FindVrfIfIndex() no response from device for show ip "
                                     "route vrf red 10.1.1.1 detail\n");
  EXPECT_EQ(r.h.device.Sessions().size(), 3u);
  EXPECT_THAT(r.index, IsEmpty());
}

}  // namespace
