// SNMP walks in the context of every virtual router and VRF, the interface
// ownership map built from them, and the local-neighbour data for the host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "KelSnmp.h"
#include "support/AgentHarness.h"

using testing::_;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using Ownership = std::map<int, std::vector<std::string>>;

const Ownership* OwnershipMap(AgentHarness& h) {
  return static_cast<Ownership*>(h.medData.DMDGetDataPtr("UnisphereIfIndexToVrVrfData"));
}

// The first instance component of each varbind: the interface index of an admin-status row.
std::vector<int> Indexes(const CKelDoubleList* list) {
  std::vector<int> indexes;
  for (CKelListable* it = list ? list->RDLHead() : nullptr; it; it = list->RDLGetNext(it)) {
    indexes.push_back(static_cast<CKelSnmpVarOp*>(it)->RSVOASN1()->RAAAddressAt(0));
  }
  return indexes;
}

TEST(InterfaceData, DeviceWithoutVirtualRoutersGetsAnEmptyMapAndOnlyTheBaseWalks) {
  AgentHarness h;
  h.SetVirtualRouters({}, {});
  h.device.AddWalkRow("ifAdminStatus", "", "1", 1);
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);

  ASSERT_NE(OwnershipMap(h), nullptr);
  EXPECT_THAT(*OwnershipMap(h), IsEmpty());
  EXPECT_THAT(h.medData.DMDSnmpEntries(), ElementsAre(Pair("ifAdminStatus", _)));
}

TEST(InterfaceData, FirstWalkToShowAnInterfaceOwnsIt) {
  AgentHarness h;
  ScopedDebugLevel debug(4);
  h.SetVirtualRouters({"vr1", "vr2"}, {{"red", "blue"}, {}});
  h.device.AddWalkRow("ifAdminStatus", "@vr1", "3", 1);
  for (const char* i : {"3", "5"}) h.device.AddWalkRow("ifAdminStatus", "@vr1:red", i, 1);
  for (const char* i : {"5", "7"}) h.device.AddWalkRow("ifAdminStatus", "@vr1:blue", i, 2);
  h.device.AddWalkRow("ifAdminStatus", "@vr2", "9", 1);
  CaptureStdout();
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);
  const std::string out = GetCapturedStdout();

  EXPECT_THAT(h.device.Walks(),
              ElementsAre(Pair("ifDescr", ""), Pair("ifType", ""), Pair("ifAdminStatus", ""),
                          Pair("ipAdEntIfIndex", "@vr1"), Pair("ifAdminStatus", "@vr1"),
                          Pair("ifAdminStatus", "@vr1:red"), Pair("ifAdminStatus", "@vr1:blue"),
                          Pair("ipAdEntIfIndex", "@vr2"), Pair("ifAdminStatus", "@vr2")));
  EXPECT_THAT(*OwnershipMap(h),
              ElementsAre(Pair(3, ElementsAre("vr1")), Pair(5, ElementsAre("vr1", "red")),
                          Pair(7, ElementsAre("vr1", "blue")), Pair(9, ElementsAre("vr2"))));
  // The virtual router's entry keeps every row, its own first.
  EXPECT_THAT(Indexes(h.medData.DMDGetSnmpGetNext("ifAdminStatus.vr1")), ElementsAre(3, 3, 5, 5, 7));
  EXPECT_THAT(Indexes(h.medData.DMDGetSnmpGetNext("ifAdminStatus.vr2")), ElementsAre(9));
  EXPECT_THAT(out, HasSubstr("CPelkUnisphereMPLSTelnet::AddVRListToMap() vr1 , 3\n"));
  EXPECT_THAT(out, HasSubstr("CPelkUnisphereMPLSTelnet::AddVRFListToMap() vr1 , red , 5\n"));
  EXPECT_THAT(out, Not(HasSubstr("AddVRFListToMap() vr1 , blue , 5")));
}

TEST(InterfaceData, VrfWalksStandInForAVirtualRouterThatDoesNotAnswer) {
  AgentHarness h;
  ScopedDebugLevel debug(4);
  h.SetVirtualRouters({"vr1"}, {{"red"}});
  h.device.AddWalkRow("ifAdminStatus", "@vr1:red", "5", 1);
  CaptureStdout();
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);

  EXPECT_THAT(GetCapturedStdout(),
              HasSubstr("::ObtainInterfaceData() no response for ifAdminStatus using @vr1\n"));
  EXPECT_THAT(Indexes(h.medData.DMDGetSnmpGetNext("ifAdminStatus.vr1")), ElementsAre(5));
  EXPECT_THAT(*OwnershipMap(h), ElementsAre(Pair(5, ElementsAre("vr1", "red"))));
}

TEST(InterfaceData, EmptyWalksAreReportedAndNotStored) {
  AgentHarness h;
  ScopedDebugLevel debug(4);
  h.SetVirtualRouters({"vr1"}, {{"red", "blue"}});
  h.device.EmptyWalk("ipAdEntIfIndex", "@vr1");
  h.device.EmptyWalk("ifAdminStatus", "@vr1");
  h.device.EmptyWalk("ifAdminStatus", "@vr1:red");  // blue does not answer at all
  CaptureStdout();
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);

  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereMPLSTelnet::ObtainInterfaceData().\n"
            "::ObtainInterfaceData() ipAdEntIfIndex.vr1 NULL\n"
            "CPelkUnisphereMPLSTelnet::AddVRListToMap() vr1\n"
            "::ObtainInterfaceData() no response for ifAdminStatus using @vr1:red\n"
            "::ObtainInterfaceData() no response for ifAdminStatus using @vr1:blue\n"
            "::ObtainInterfaceData() ifAdminStatus.vr1 NULL\n");
  EXPECT_THAT(h.medData.DMDSnmpEntries(), IsEmpty());
}

TEST(LocalNbrData, CreatesMissingStructuresAndReportsEachMissingWalk) {
  AgentHarness h;
  ScopedDebugLevel debug(1);
  h.SetVirtualRouters({"vr1", "vr2"}, {{}, {}});
  CKelDoubleList* admin = nullptr;
  CKelTreeList* addresses = nullptr;
  CKelTreeList* values = nullptr;
  CaptureStdout();
  h.peer.GetLocalNbrForProcessing(&h.medData, &admin, &addresses, &values);
  std::unique_ptr<CKelDoubleList> ownAdmin(admin);
  std::unique_ptr<CKelTreeList> ownAddresses(addresses), ownValues(values);

  EXPECT_EQ(GetCapturedStdout(),
            "::GetLocalNbrData() ipAdEntIfIndex.vr1 NULL\n"
            "::GetLocalNbrData() ipAdEntIfIndex.vr2 NULL\n"
            "::GetLocalNbrData() ifAdminStatus.vr1 NULL\n"
            "::GetLocalNbrData() ifAdminStatus.vr2 NULL\n");
  ASSERT_TRUE(admin && addresses && values);
  EXPECT_EQ(admin->RDLLength(), 0);
  EXPECT_EQ(addresses->RTLSize(), 0);
  EXPECT_EQ(values->RTLSize(), 0);
}

TEST(LocalNbrData, FilesStoredAddressRowsByTextAndAppendsAdminStatusAfterTheBase) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1"}, {{"red"}});
  h.device.AddWalkRow("ifAdminStatus", "", "1", 1);
  h.device.AddWalkRow("ipAdEntIfIndex", "@vr1", "10.1.1.1", 3);
  h.device.AddWalkRow("ipAdEntIfIndex", "@vr1", "", 4);  // a row without address text
  h.device.AddWalkRow("ifAdminStatus", "@vr1", "3", 1);
  h.device.AddWalkRow("ifAdminStatus", "@vr1:red", "5", 2);
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);

  CKelTreeList hostAddresses(false);  // the host may bring structures of its own
  CKelTreeList* addresses = &hostAddresses;
  CKelDoubleList* admin = nullptr;
  CKelTreeList* values = nullptr;
  h.peer.GetLocalNbrForProcessing(&h.medData, &admin, &addresses, &values);
  std::unique_ptr<CKelDoubleList> ownAdmin(admin);
  std::unique_ptr<CKelTreeList> ownValues(values);

  CKelListable* row = h.medData.DMDGetSnmpGetNext("ipAdEntIfIndex.vr1")->RDLHead();
  EXPECT_EQ(addresses, &hostAddresses);
  EXPECT_EQ(addresses->RTLSize(), 1);
  EXPECT_EQ(addresses->RTLGet("10.1.1.1")->RPData(), row);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(values->RTLSize(), 1);
  EXPECT_EQ(values->RTLGet("3")->RPData(), row);
  EXPECT_THAT(Indexes(admin), ElementsAre(1, 3, 5));
  EXPECT_EQ(h.medData.DMDGetSnmpGetNext("ifAdminStatus.vr1")->RDLLength(), 2);
}

}  // namespace
