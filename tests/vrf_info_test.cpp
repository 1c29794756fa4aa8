// The host's VRF helpers: "show ip vrf detail" into five aligned tables, wrapped
// interface names joined, and one command run inside a virtual router.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "ERXHost.h"
#include "support/ScriptedDevice.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

TEST(GeneralVrfInfo, EveryVrfGetsAnAlignedRowInAllFiveTables) {
  const char reply[] =
      "pe1:default#show ip vrf detail\r\n"
      "VRF red; default RD 100:1\r\n"
      "  Description: customer red\r\n"
      "  Interfaces:\r\n    ATM2/0.10\r\n    GigabitEthernet 4/0\r\n"
      "  Export VPN route-target communities\r\n    RT:100:1\r\n"
      "  Import VPN route-target communities\r\n    RT:100:1  RT:100:2\r\n"
      "VRF blue; default RD <not set>\r\n"
      "  Export VPN route-target communities\r\n    RT:200:1\r\n"
      "VRF green, default RD 300:1;\r\n  Interfaces:\r\n\ttun mpls:1\r\n";
  std::vector<std::string> names, rds;
  std::vector<std::vector<std::string>> ifs, imports, exports;
  ERXGetGeneralVRFInfo(reply, names, rds, ifs, imports, exports, false);
  EXPECT_THAT(names, ElementsAre("red", "blue", "green"));
  EXPECT_THAT(rds, ElementsAre("100:1", "", "300:1"));
  EXPECT_THAT(ifs, ElementsAre(ElementsAre("ATM2/0.10", "GigabitEthernet 4/0"), IsEmpty(),
                               ElementsAre("tun mpls:1")));
  EXPECT_THAT(exports, ElementsAre(ElementsAre("100:1"), ElementsAre("200:1"), IsEmpty()));
  EXPECT_THAT(imports, ElementsAre(ElementsAre("100:1", "100:2"), IsEmpty(), IsEmpty()));
}

TEST(StripNewLine, JoinsAWrappedNameWithoutTheBreakAndItsBlanks) {
  std::string joined;
  ERXStripNewLineOutInterfaceDescr("  serial4/1:1/1/1/1/1 \r\n   .1  ", joined, false);
  EXPECT_EQ(joined, "serial4/1:1/1/1/1/1.1");
  std::string spaced;
  ERXStripNewLineOutInterfaceDescr("tun\n mpls:1", spaced, true);
  EXPECT_EQ(spaced, "tun mpls:1");
}

TEST(Telnet4VR, RunsTheCommandInsideTheVirtualRouterAndHandsBackTheReplies) {
  ScriptedDevice device;
  device.Reply("show ip route vrf red 10.1.0.0 detail", "NHop: 2.2.2.2", "vr1");
  CPelkStdRequester requester;
  requester.DSRSetTransport(&device);
  CKelAtomVector* holder = nullptr;
  const char* reply =
      ERXGetTelnet4VR(nullptr, &requester, "vr1", "show ip route vrf red 10.1.0.0 detail", &holder);
  std::unique_ptr<CKelAtomVector> owned(holder);
  EXPECT_STREQ(reply, "NHop: 2.2.2.2");
  EXPECT_THAT(device.Sessions(), ElementsAre(ElementsAre("virtual-router vr1",
                                                         "show ip route vrf red 10.1.0.0 detail")));
}

}  // namespace
