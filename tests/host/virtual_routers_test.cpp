// Finding the virtual routers and their VRFs by asking the router.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/ERXHost.h"
#include "tests/support/ScriptedDevice.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct Found {
  bool ok;
  std::vector<std::string> vrs;
  std::vector<std::vector<std::string>> vrfs;
};

Found Find(ScriptedDevice& device) {
  CPelkStdRequester requester;
  requester.DSRSetTransport(&device);
  CKelRecord record("pe1");
  Found found;
  found.ok = ERXFindVirtRtrVRF(&record, &requester, found.vrs, found.vrfs);
  return found;
}

TEST(FindVirtualRouters, ReadsTheTablesOfBothCommands) {
  ScriptedDevice device;
  device.Reply("show virtual-router",
               "\r\nVirtual Router   Router ID        Type\r\n"
               "--------------   ---------        ----\r\n"
               "default          10.255.0.1       default\r\n"
               "vr2              10.255.2.1       user\r\n"
               "cust-a.1         10.255.3.1       user\r\n");
  device.Reply("show ip vrf",
               "  Name          Default RD        Interfaces\n"
               "  red           100:1             ATM2/0.10\n"
               "                                  tun mpls:vpnInL17-23\n"
               "  blue          100:2\n"
               "  lab           <not set>\n",
               "default");
  device.Reply("show ip vrf", "  Name          Default RD        Interfaces\n", "vr2");
  device.Reply("show ip vrf", "Name    Default RD\ngreen   200:1    GigabitEthernet 4/0\n",
               "cust-a.1");

  Found found = Find(device);
  EXPECT_TRUE(found.ok);
  EXPECT_THAT(found.vrs, ElementsAre("default", "vr2", "cust-a.1"));
  EXPECT_THAT(found.vrfs,
              ElementsAre(ElementsAre("red", "blue", "lab"), IsEmpty(), ElementsAre("green")));
  ASSERT_EQ(device.Sessions().size(), 2u);
  EXPECT_THAT(device.Sessions()[1],
              ElementsAre("virtual-router default", "show ip vrf", "virtual-router vr2",
                          "show ip vrf", "virtual-router cust-a.1", "show ip vrf"));
}

TEST(FindVirtualRouters, LostVrfRepliesKeepTheTableAligned) {
  ScriptedDevice device;
  device.Reply("show virtual-router", "Virtual Router\ndefault\nvr2\n");
  device.DropLastReplyOfSession(1);  // the VRF request loses a reply
  Found found = Find(device);
  EXPECT_THAT(found.vrs, ElementsAre("default", "vr2"));
  EXPECT_THAT(found.vrfs, ElementsAre(IsEmpty(), IsEmpty()));

  ScriptedDevice silent;
  found = Find(silent);
  EXPECT_FALSE(found.ok);
  EXPECT_THAT(found.vrs, IsEmpty());
}

}  // namespace
