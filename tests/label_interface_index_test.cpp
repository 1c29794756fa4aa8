// The interface-description index of one virtual router: MPLS interfaces found
// through their address first, then each VRF's interface table, nothing overwritten.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ERXHost.h"
#include "KelSnmp.h"
#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using Index = std::map<std::string, int>;
using Names = std::vector<std::string>;

const int kIpInterface = 49;
const int kAtm = 37;
const int kMplsTunnel = 150;

std::string Key(const char* cliName) {
  std::string key;
  ERXGetDescrFromVrfDescr(cliName, "default", key);
  return key;
}

struct IndexBuilder {
  IndexBuilder() {
    h.device.Reply("show mpls interface",
                   "Interface ATM2/0.1  Up\n"
                   "  IP interfaces on this MPLS interface:\n"
                   "    10.1.1.1/30\n"
                   "Interface ATM3/0.2  Up\n"
                   "  IP interfaces on this MPLS interface:\n"
                   "    10.1.2.1/30\n");
    h.SetVirtualRouters({"default"}, {{}});
    h.Download();
  }
  // The address table as the interface-data retrieval stores it.
  void StoreAddressTable(const std::vector<std::pair<std::string, int>>& rows) {
    auto* list = new CKelDoubleList;
    for (const auto& row : rows) {
      std::vector<unsigned int> instance;
      CKelASN1Address::Parse(row.first, instance);
      list->RDLAddToListEnd(new CKelSnmpVarOp("ipAdEntIfIndex", instance, new CKelAtom(row.second)));
    }
    h.medData.DMDAddSnmp("ipAdEntIfIndex.default", list);
  }
  void InterfaceRow(const std::string& vrf, const char* instance, const char* descr, int type) {
    h.device.AddWalkRow("ifDescr", "@default:" + vrf, instance, descr);
    h.device.AddWalkRow("ifType", "@default:" + vrf, instance, type);
  }
  Index Build(const Names& vrfs) {
    Index index;
    h.peer.GenerateIfDescrToIfIndexTL(&h.record, &h.medData, index, "default", vrfs);
    return index;
  }

  AgentHarness h;
};

TEST(LabelInterfaceIndex, MplsInterfacesWinOverTableRowsAndEarlierVrfsOverLater) {
  IndexBuilder b;
  b.StoreAddressTable({{"10.1.1.1", 11}, {"10.1.2.1", 12}});
  b.InterfaceRow("red", "99", "ip2/0.1", kIpInterface);  // same interface as ATM2/0.1
  b.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  b.InterfaceRow("blue", "31", "ip2/0.10", kIpInterface);
  b.InterfaceRow("blue", "40", "mpls:1", kMplsTunnel);

  EXPECT_EQ(b.Build({"red", "blue"}), (Index{{Key("ATM2/0.1"), 11},
                                             {Key("ATM3/0.2"), 12},
                                             {Key("ATM2/0.10"), 21},
                                             {Key("tun mpls:1"), 40}}));
  EXPECT_THAT(b.h.device.Walks(),
              ElementsAre(Pair("ifDescr", "@default:red"), Pair("ifType", "@default:red"),
                          Pair("ifDescr", "@default:blue"), Pair("ifType", "@default:blue")));
}

TEST(LabelInterfaceIndex, AnMplsInterfaceWithoutAddressRowIsLeftOutAtLevelOne) {
  IndexBuilder b;
  b.StoreAddressTable({{"10.1.2.1", 12}});
  ScopedDebugLevel level(1);
  CaptureStdout();
  const Index index = b.Build({});
  EXPECT_EQ(GetCapturedStdout(),
            "::GenerateIfDescrToIfIndexTL() no ifIndex associated with 10.1.1.1\n");
  EXPECT_EQ(index, (Index{{Key("ATM3/0.2"), 12}}));
  EXPECT_THAT(b.h.device.Walks(), IsEmpty());
}

TEST(LabelInterfaceIndex, WithoutAddressTableTheVrfRowsAreStillAdded) {
  IndexBuilder b;
  b.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  ScopedDebugLevel level(1);
  CaptureStdout();
  const Index index = b.Build({"red"});
  EXPECT_EQ(GetCapturedStdout(),
            "::GenerateIfDescrToIfIndexTL() failure of medData retrieval of "
            "ipAdEntIfIndex.default\n");
  EXPECT_EQ(index, (Index{{Key("ATM2/0.10"), 21}}));
}

TEST(LabelInterfaceIndex, RowsWithoutKeyOrWithInstanceZeroAreNotAdded) {
  IndexBuilder b;
  b.InterfaceRow("red", "5", "ATM2/0", kAtm);
  b.InterfaceRow("red", "0", "ip2/0.11", kIpInterface);
  b.InterfaceRow("red", "22", "ip2/0.12", kIpInterface);
  Index index;
  b.h.peer.AddInterfaceTableIfDescr(&b.h.record, index, "default", {"red"});
  EXPECT_EQ(index, (Index{{Key("ATM2/0.12"), 22}}));
}

TEST(LabelInterfaceIndex, VrfContextsWithMissingOrUnequalWalksAddNothing) {
  IndexBuilder b;
  b.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  b.h.device.AddWalkRow("ifDescr", "@default:red", "23", "ip2/0.13");  // no ifType row
  b.h.device.AddWalkRow("ifDescr", "@default:blue", "31", "ip2/0.31");
  b.h.device.AddWalkRow("ifType", "@default:green", "41", kIpInterface);
  b.InterfaceRow("white", "51", "ip2/0.51", kIpInterface);
  Index index;
  ScopedDebugLevel level(4);
  CaptureStdout();
  b.h.peer.AddInterfaceTableIfDescr(&b.h.record, index, "default", {"red", "blue", "green", "white"});
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::ObtainInterfaceTableIfDescr(,,default)\n"
            "::ObtainInterfaceTableIfDescr() ifDescr & ifType incompatible\n"
            "::ObtainInterfaceTableIfDescr() ifType not available for @default:blue\n"
            "::ObtainInterfaceTableIfDescr() ifDescr not available for @default:green\n"
            "::ObtainInterfaceTableIfDescr() adding 51 to ifDescr2ifIndex keyed on " +
                Key("ATM2/0.51") + "\n");
  EXPECT_EQ(index, (Index{{Key("ATM2/0.51"), 51}}));
}

}  // namespace
