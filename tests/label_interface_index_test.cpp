// The interface-description index: MPLS interfaces found through their address
// first, then each VRF's interface table in VRF order, nothing overwritten.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ERXHost.h"
#include "KelSnmp.h"
#include "support/AgentHarness.h"

namespace {

using Index = std::map<std::string, int>;

const int kIpInterface = 49;
const int kMplsTunnel = 150;

std::string Key(const char* cliName) {
  std::string key;
  ERXGetDescrFromVrfDescr(cliName, "default", key);
  return key;
}

struct IndexBuilder {
  IndexBuilder() {
    h.device.Reply("show mpls interface",
                   "Interface ATM2/0.1  Up\n  IP interfaces on this MPLS interface:\n    10.1.1.1/30\n"
                   "Interface ATM3/0.2  Up\n  IP interfaces on this MPLS interface:\n    10.1.2.1/30\n");
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  void AddressRow(const char* address, int ifIndex) {  // as the interface-data retrieval stores it
    if (!addresses) h.medData.DMDAddSnmp("ipAdEntIfIndex.default", addresses = new CKelDoubleList);
    std::vector<unsigned int> instance;
    CKelASN1Address::Parse(address, instance);
    addresses->RDLAddToListEnd(new CKelSnmpVarOp("ipAdEntIfIndex", instance, new CKelAtom(ifIndex)));
  }
  void InterfaceRow(const std::string& vrf, const char* instance, const char* descr, int type) {
    h.device.AddWalkRow("ifDescr", "@default:" + vrf, instance, descr);
    h.device.AddWalkRow("ifType", "@default:" + vrf, instance, type);
  }
  std::string Build(const std::vector<std::string>& vrfs) {  // the level-1 output
    ScopedDebugLevel level(1);
    testing::internal::CaptureStdout();
    h.peer.GenerateIfDescrToIfIndexTL(&h.record, &h.medData, index, "default", vrfs);
    return testing::internal::GetCapturedStdout();
  }
  AgentHarness h;
  CKelDoubleList* addresses = nullptr;
  Index index;
};

TEST(LabelInterfaceIndex, FirstKeyedIfIndexWinsAndUnkeyedRowsAreLeftOut) {
  IndexBuilder b;
  b.AddressRow("10.1.1.1", 11);
  b.AddressRow("10.1.2.1", 12);
  b.InterfaceRow("red", "99", "ip2/0.1", kIpInterface);  // ATM2/0.1 again
  b.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  b.InterfaceRow("red", "5", "ATM2/0", 37);               // layer 2: no key
  b.InterfaceRow("red", "0", "ip2/0.11", kIpInterface);  // no ifIndex
  b.InterfaceRow("blue", "31", "ip2/0.10", kIpInterface);
  b.InterfaceRow("blue", "40", "mpls:1", kMplsTunnel);
  EXPECT_EQ(b.Build({"red", "blue"}), "");
  EXPECT_EQ(b.index, (Index{{Key("ATM2/0.1"), 11},
                            {Key("ATM3/0.2"), 12},
                            {Key("ATM2/0.10"), 21},
                            {Key("tun mpls:1"), 40}}));
}

TEST(LabelInterfaceIndex, MplsInterfacesWithoutAddressRowAreSkippedAtLevelOne) {
  IndexBuilder b;
  b.AddressRow("10.1.2.1", 12);
  EXPECT_EQ(b.Build({}), "::GenerateIfDescrToIfIndexTL() no ifIndex associated with 10.1.1.1\n");
  EXPECT_EQ(b.index, (Index{{Key("ATM3/0.2"), 12}}));
  EXPECT_TRUE(b.h.device.Walks().empty());

  IndexBuilder noTable;
  noTable.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  EXPECT_EQ(noTable.Build({"red"}),
            "::GenerateIfDescrToIfIndexTL() failure of medData retrieval of ipAdEntIfIndex.default\n");
  EXPECT_EQ(noTable.index, (Index{{Key("ATM2/0.10"), 21}}));
}

TEST(LabelInterfaceIndex, VrfContextsWithMissingOrUnequalWalksAddNothing) {
  IndexBuilder b;
  b.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  b.h.device.AddWalkRow("ifDescr", "@default:red", "23", "ip2/0.13");  // one ifType short
  b.h.device.AddWalkRow("ifDescr", "@default:blue", "31", "ip2/0.31");
  b.h.device.AddWalkRow("ifType", "@default:green", "41", kIpInterface);
  b.InterfaceRow("white", "51", "ip2/0.51", kIpInterface);
  ScopedDebugLevel level(4);
  testing::internal::CaptureStdout();
  b.h.peer.AddInterfaceTableIfDescr(&b.h.record, b.index, "default", {"red", "blue", "green", "white"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::ObtainInterfaceTableIfDescr(,,default)\n"
            "::ObtainInterfaceTableIfDescr() ifDescr & ifType incompatible\n"
            "::ObtainInterfaceTableIfDescr() ifType not available for @default:blue\n"
            "::ObtainInterfaceTableIfDescr() ifDescr not available for @default:green\n"
            "::ObtainInterfaceTableIfDescr() adding 51 to ifDescr2ifIndex keyed on " +
                Key("ATM2/0.51") + "\n");
  EXPECT_EQ(b.index, (Index{{Key("ATM2/0.51"), 51}}));
}

}  // namespace
