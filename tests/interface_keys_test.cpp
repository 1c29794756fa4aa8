// One key per interface, however the router printed its name.
#include <gtest/gtest.h>

#include "ERXHost.h"

namespace {

std::string CliKey(const char* name) {
  std::string key;
  ERXGetDescrFromVrfDescr(name, "vr1:red", key);
  return key;
}

std::string RowKey(const char* ifDescr, int ifType) {
  std::string key;
  ERXGetDescrFromIfTableDescr(ifDescr, "vr1:red", key, ifType);
  return key;
}

TEST(InterfaceKeys, CliNamesAndIpRowsOfOneInterfaceMeet) {
  EXPECT_EQ(CliKey("ATM2/0.1"), RowKey("ip2/0.1", 1));
  EXPECT_EQ(CliKey("atm2/0.34"), CliKey("ATM2/0.34"));
  EXPECT_EQ(CliKey("GigabitEthernet 4/0"), RowKey("IP4/0", 1));
  EXPECT_EQ(CliKey("FastEthernet2/0.1"), "ip2/0.1");
  EXPECT_EQ(CliKey("serial4/1:1/1/1/1/1.1"), "ip4/1:1/1/1/1/1.1");
  EXPECT_NE(CliKey("ATM2/0.1"), CliKey("ATM2/0.10"));
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

TEST(InterfaceKeys, RowsThatAreNotIpInterfacesOrTunnelsAreNotWanted) {
  EXPECT_EQ(RowKey("ATM2/0", 37), "");
  EXPECT_EQ(RowKey("FastEthernet4/0", 62), "");
  EXPECT_EQ(RowKey("mpls:1", 1), "");
  EXPECT_EQ(RowKey(nullptr, 150), "");
}

}  // namespace
