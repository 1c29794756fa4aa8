// The device record lists its virtual routers with their VRFs; each interface
// learns the virtual router and VRF that own it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>

#include "support/AgentHarness.h"

using testing::IsEmpty;

namespace {

using Ownership = std::map<int, std::vector<std::string>>;
const char kOwnership[] = "UnisphereIfIndexToVrVrfData";

std::string Printed(const CKelAtom* atom) {
  char* text = atom->RAStrRep();
  std::string printed = text;
  free(text);
  return printed;
}

std::string Printed(const CKelVBList& bindings) {
  std::string printed;
  for (CKelListable* it = bindings.RDLHead(); it; it = bindings.RDLGetNext(it)) {
    auto* binding = static_cast<CKelVarBind*>(it);
    printed += (printed.empty() ? "" : ",") + std::string(binding->RVBName()) + "=" +
               Printed(binding->RVBValue());
  }
  return printed;
}

std::string ExtraInfo(const CKelRecord& record) {
  if (record.RRObjectVals().size() != 1) return "<not one value>";
  const auto& [name, binding] = record.RRObjectVals()[0];
  return name + ":" + binding->RVBName() + "=" + Printed(binding->RVBValue());
}

// The host's interface tree: each interface's binding list filed under its index.
struct Interfaces {
  explicit Interfaces(std::initializer_list<int> indexes) {
    for (int i : indexes) {
      lists[i].RVBLAddToListEnd(new CKelVarBind("m_IfIndex", std::to_string(i).c_str()));
      tree.RTLAdd(i, &lists[i]);
    }
  }
  std::map<int, CKelVBList> lists;
  CKelTreeList tree{false};
};

TEST(RecordAnnotation, ListsVirtualRoutersWithTheirVrfsInOrder) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1", "vr2"}, {{"red", "blue"}, {}});
  h.peer.AppendMainNodeVrVrfData(&h.record, &h.medData);
  EXPECT_EQ(ExtraInfo(h.record),
            "m_ExtraInfo:m_VRData=({m_VRName=vr1,m_VRFName=(red,blue)},{m_VRName=vr2})");
}

TEST(RecordAnnotation, NoVirtualRouterAddsNothingAndNoVrfTableDropsOnlyTheVrfs) {
  AgentHarness h;
  h.SetVirtualRouters({}, {});
  h.peer.AppendMainNodeVrVrfData(&h.record, &h.medData);
  EXPECT_THAT(h.record.RRObjectVals(), IsEmpty());

  h.SetVirtualRouters({"vr1"}, {{"red"}});
  delete static_cast<std::vector<std::vector<std::string>>*>(h.medData.DMDRemoveDataPtr("VrfNames"));
  h.peer.AppendMainNodeVrVrfData(&h.record, &h.medData);
  EXPECT_EQ(ExtraInfo(h.record), "m_ExtraInfo:m_VRData=({m_VRName=vr1})");
}

TEST(InterfaceAnnotation, OwnersAreAppendedAndTheMapIsConsumed) {
  AgentHarness h;
  h.medData.DMDAddDataPtr(kOwnership, new Ownership{{3, {"vr1"}}, {5, {"vr1", "red"}}});
  Interfaces ifs({3, 5, 9});
  h.peer.AppendInterfaceVrVrfData(&h.medData, &ifs.tree);

  EXPECT_EQ(Printed(ifs.lists[3]), "m_IfIndex=3,m_VRName=vr1");
  EXPECT_EQ(Printed(ifs.lists[5]), "m_IfIndex=5,m_VRName=vr1,m_VRFName=red");
  EXPECT_EQ(Printed(ifs.lists[9]), "m_IfIndex=9");
  EXPECT_FALSE(h.medData.DMDHasDataPtr(kOwnership));
  // A second call finds no map and leaves the interfaces alone.
  h.peer.AppendInterfaceVrVrfData(&h.medData, &ifs.tree);
  EXPECT_EQ(Printed(ifs.lists[5]), "m_IfIndex=5,m_VRName=vr1,m_VRFName=red");
  EXPECT_THAT(h.Errors(), IsEmpty());
}

TEST(InterfaceAnnotation, KeyTheTreeCannotFindIsReportedAndSkipped) {
  AgentHarness h;
  h.medData.DMDAddDataPtr(kOwnership, new Ownership{{3, {"vr1"}}, {7, {"vr2"}}});
  Interfaces ifs({3});
  ifs.tree.RTLAdd(7, nullptr);          // no binding list: skipped silently
  ifs.tree.RTLAdd("ATM2/0.1", nullptr);  // reads as index 0, which the tree does not hold
  h.peer.AppendInterfaceVrVrfData(&h.medData, &ifs.tree);

  const std::vector<KelErrorRecord> errors = h.Errors();
  ASSERT_EQ(errors.size(), 1u);
  const KelErrorRecord& error = errors[0];
  EXPECT_EQ(error.code, -220439);
  EXPECT_EQ(error.source, "CPelkUnisphereMPLSTelnet");
  EXPECT_EQ(error.line, 2192);
  EXPECT_FALSE(error.hasText);
  EXPECT_EQ(Printed(ifs.lists[3]), "m_IfIndex=3,m_VRName=vr1");
}

TEST(InterfaceAnnotation, EmptyTreeStillRemovesAndFreesTheMap) {
  AgentHarness h;
  h.medData.DMDAddDataPtr(kOwnership, new Ownership{{3, {"vr1"}}});
  CKelTreeList noInterfaces(false);
  h.peer.AppendInterfaceVrVrfData(&h.medData, &noInterfaces);
  EXPECT_FALSE(h.medData.DMDHasDataPtr(kOwnership));
}

TEST(VendorSpecificData, RecordAndInterfacesLearnTheirOwnersFromTheWalks) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1"}, {{"red"}});
  h.device.AddWalkRow("ifAdminStatus", "@vr1:red", "5", 1);
  h.peer.DMAObtainInterfaceData(&h.record, &h.medData);
  Interfaces ifs({5});
  h.peer.AppendVendorSpecificData(&h.record, &h.medData, &ifs.tree);

  EXPECT_EQ(ExtraInfo(h.record), "m_ExtraInfo:m_VRData=({m_VRName=vr1,m_VRFName=(red)})");
  EXPECT_EQ(Printed(ifs.lists[5]), "m_IfIndex=5,m_VRName=vr1,m_VRFName=red");
  EXPECT_FALSE(h.medData.DMDHasDataPtr(kOwnership));
}

}  // namespace
