// One key per interface, however the router printed its name.
#include <gtest/gtest.h>

#include "host/ERXHost.h"

namespace {

std::string CliKey(const char* name) {
  std::string key;
  ERXGetDescrFromVrfDescr(name, "vr1:red", key);
  return key;
}

// A row of VRF red's own interface table, or of the virtual router's, which
// also lists layer-2 interfaces.
std::string RowKey(const char* ifDescr, int ifType, const char* context = "vr1:red") {
  std::string key;
  ERXGetDescrFromIfTableDescr(ifDescr, context, key, ifType);
  return key;
}

const int kOther = 1;
const int kSoftwareLoopback = 24;
const int kMplsTunnel = 150;

TEST(InterfaceKeys, CliNamesAndIpRowsOfOneInterfaceMeet) {
  EXPECT_EQ(CliKey("ATM2/0.1"), RowKey("ip2/0.1", 1));
  EXPECT_EQ(CliKey("atm2/0.34"), CliKey("ATM2/0.34"));
  EXPECT_EQ(CliKey("GigabitEthernet 4/0"), RowKey("IP4/0", 1));
  EXPECT_EQ(CliKey("FastEthernet2/0.1"), "ip2/0.1");
  EXPECT_EQ(CliKey("serial4/1:1/1/1/1/1.1"), "ip4/1:1/1/1/1/1.1");
  EXPECT_NE(CliKey("ATM2/0.1"), CliKey("ATM2/0.10"));
}

TEST(InterfaceKeys, AKeyMayReplaceTheNameItWasMadeFrom) {
  std::string name = "GigabitEthernet 4/0.12 (10.7.7.1)";
  ERXGetDescrFromVrfDescr(name.c_str(), "vr1:red", name);
  EXPECT_EQ(name, "ip4/0.12");
  name = "Tun MPLS:1";
  ERXGetDescrFromIfTableDescr(name.c_str(), "vr1", name, kMplsTunnel);
  EXPECT_EQ(name, "mpls:1");
}

TEST(InterfaceKeys, NextHopDecorationsAndTunnelWordsAreDropped) {
  EXPECT_EQ(CliKey("ATM2/0.10 (10.7.7.1)"), CliKey("ATM2/0.10"));
  EXPECT_EQ(CliKey("ATM2/0.10 (10.7.7.1), ATM2/0.11 (10.7.7.5)"), CliKey("ATM2/0.10"));
  EXPECT_EQ(CliKey("tun mpls:1"), "mpls:1");
  EXPECT_EQ(CliKey("mpls:1"), RowKey("mpls:1", 150));
  EXPECT_EQ(CliKey("tun mpls:vpnInL17-23"), RowKey("tun mpls:vpnInL17-23", 150));
  EXPECT_EQ(CliKey("tunnel5"), "tunnel5");
  EXPECT_EQ(CliKey("loopback0"), "loopback0");
}

TEST(InterfaceKeys, EveryRowOfAVrfTableMeetsItsCliName) {
  EXPECT_EQ(RowKey("loopback5", kSoftwareLoopback), CliKey("loopback 5"));
  EXPECT_EQ(RowKey("Loopback 5", kSoftwareLoopback), CliKey("LOOPBACK5"));
  EXPECT_EQ(RowKey("tun mpls:2", kMplsTunnel), CliKey("mpls:2"));
  EXPECT_EQ(RowKey("mpls:2", kOther), CliKey("tun mpls:2"));
  EXPECT_EQ(RowKey("ip2/0.12", kOther), CliKey("ATM 2/0.12"));
  EXPECT_EQ(RowKey("IP2/0.12", kOther), CliKey("atm2/0.12 (10.1.1.2)"));
  EXPECT_EQ(RowKey("Null 0", 1), CliKey("null0"));
  EXPECT_EQ(RowKey("loopback5", kSoftwareLoopback), "loopback5");
  EXPECT_NE(RowKey("loopback5", kSoftwareLoopback), RowKey("loopback50", kSoftwareLoopback));
  EXPECT_EQ(RowKey(nullptr, kMplsTunnel), "");
}

TEST(InterfaceKeys, OutsideAVrfOnlyIpRowsAndTunnelsAreWanted) {
  EXPECT_EQ(RowKey("ATM2/0", 37, "vr1"), "");
  EXPECT_EQ(RowKey("FastEthernet4/0", 62, "vr1"), "");
  EXPECT_EQ(RowKey("loopback0", kSoftwareLoopback, "vr1"), "");
  EXPECT_EQ(RowKey("mpls:1", kOther, "vr1"), "");
  EXPECT_EQ(RowKey("ip2/0.1", kOther, "vr1"), CliKey("ATM2/0.1"));
  EXPECT_EQ(RowKey("tun mpls:1", kMplsTunnel, "vr1"), CliKey("mpls:1"));
}

}  // namespace
