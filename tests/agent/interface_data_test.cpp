// SNMP walks in the context of every virtual router and VRF, the interface
// ownership map built from them, and the local-neighbour data for the host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/KelSnmp.h"
#include "tests/support/AgentHarness.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::Pair;
using testing::Pointee;

namespace {

using Ownership = std::map<int, std::vector<std::string>>;

const Ownership* OwnershipMap(AgentHarness& h) {
  return static_cast<Ownership*>(h.medData.DMDGetDataPtr("UnisphereIfIndexToVrVrfData"));
}

std::vector<int> Indexes(const CKelDoubleList* list) {  // the interface index of each row
  std::vector<int> indexes;
  for (CKelListable* it = list ? list->RDLHead() : nullptr; it; it = list->RDLGetNext(it)) {
    indexes.push_back(static_cast<CKelSnmpVarOp*>(it)->RSVOASN1()->RAAAddressAt(0));
  }
  return indexes;
}

TEST(InterfaceData, DeviceWithoutVirtualRoutersGetsAnEmptyMapThatIsFreedEvenWithoutInterfaces) {
  AgentHarness h;
  h.SetVirtualRouters({}, {});
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);
  EXPECT_THAT(OwnershipMap(h), Pointee(IsEmpty()));
  EXPECT_THAT(h.medData.DMDSnmpEntries(), IsEmpty());

  CKelTreeList noInterfaces(false);  // has no key vector
  h.peer.AppendVendorSpecificData(&h.record, &h.medData, &noInterfaces);
  EXPECT_EQ(OwnershipMap(h), nullptr);
}

TEST(InterfaceData, EmptyOrMissingWalksAreNotStored) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1"}, {{"red", "blue"}});
  h.device.EmptyWalk("ipAdEntIfIndex", "@vr1");
  h.device.EmptyWalk("ifAdminStatus", "@vr1");
  h.device.EmptyWalk("ifAdminStatus", "@vr1:red");  // blue does not answer at all
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);
  EXPECT_THAT(h.medData.DMDSnmpEntries(), IsEmpty());
  EXPECT_THAT(OwnershipMap(h), Pointee(IsEmpty()));
}

TEST(InterfaceData, FirstWalkToShowAnInterfaceOwnsItAndTheHostGetsEveryStoredRow) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1", "vr2", "vr3"}, {{"red", "blue"}, {"green"}, {}});
  h.device.AddWalkRow("ipAdEntIfIndex", "@vr1", "10.1.1.1", 3);
  h.device.AddWalkRow("ipAdEntIfIndex", "@vr1", "", 4);  // a row without address text
  h.device.AddWalkRow("ifAdminStatus", "@vr1", "3", 1);
  for (const char* i : {"3", "5"}) h.device.AddWalkRow("ifAdminStatus", "@vr1:red", i, 1);
  for (const char* i : {"5", "7"}) h.device.AddWalkRow("ifAdminStatus", "@vr1:blue", i, 2);
  h.device.AddWalkRow("ifAdminStatus", "@vr2:green", "9", 1);  // vr2 itself does not answer
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);
  EXPECT_THAT(OwnershipMap(h),
              Pointee(ElementsAre(Pair(3, ElementsAre("vr1")), Pair(5, ElementsAre("vr1", "red")),
                                  Pair(7, ElementsAre("vr1", "blue")),
                                  Pair(9, ElementsAre("vr2", "green")))));

  ScopedDebugLevel debug(1);
  CKelDoubleList* admin = nullptr;
  CKelTreeList *addresses = nullptr, *values = nullptr;
  testing::internal::CaptureStdout();
  h.peer.GetLocalNbrForProcessing(&h.medData, &admin, &addresses, &values);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "::GetLocalNbrData() ipAdEntIfIndex.vr2 NULL\n"
            "::GetLocalNbrData() ipAdEntIfIndex.vr3 NULL\n"
            "::GetLocalNbrData() ifAdminStatus.vr3 NULL\n");
  ASSERT_TRUE(admin && addresses && values);
  CKelListable* row = h.medData.DMDGetSnmpGetNext("ipAdEntIfIndex.vr1")->RDLHead();
  EXPECT_EQ(addresses->RTLGet("10.1.1.1")->RPData(), row);
  EXPECT_EQ(values->RTLSize(), 1);
  EXPECT_EQ(values->RTLGet("3")->RPData(), row);
  EXPECT_THAT(Indexes(admin), ElementsAre(3, 3, 5, 5, 7, 9));  // vr1's own row first
  delete admin;
  delete addresses;
  delete values;
}

}  // namespace
