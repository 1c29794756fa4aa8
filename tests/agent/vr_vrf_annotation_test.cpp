// The device record lists its virtual routers with their VRFs; each interface
// learns the virtual router and VRF that own it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/AgentHarness.h"

namespace {

using Ownership = std::map<int, std::vector<std::string>>;

std::string Printed(const CKelVarBind* binding) {
  std::unique_ptr<char, decltype(&free)> value(binding->RVBValue()->RAStrRep(), &free);
  return std::string(binding->RVBName()) + "=" + value.get();
}

std::string Printed(const CKelVBList& bindings) {
  std::string printed;
  for (CKelListable* it = bindings.RDLHead(); it; it = bindings.RDLGetNext(it)) {
    printed += (printed.empty() ? "" : ",") + Printed(static_cast<CKelVarBind*>(it));
  }
  return printed;
}

TEST(VendorSpecificData, RecordListsVirtualRoutersAndInterfacesLearnTheirOwners) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1", "vr2"}, {{"red", "blue"}, {}});
  h.medData.DMDAddDataPtr("UnisphereIfIndexToVrVrfData",
                          new Ownership{{3, {"vr1"}}, {5, {"vr1", "red"}}, {7, {"vr2"}}});
  std::map<int, CKelVBList> interfaces;  // the host's binding lists, filed by index
  CKelTreeList tree(false);
  for (int i : {3, 5, 9}) tree.RTLAdd(i, &interfaces[i]);
  interfaces[5].RVBLAddToListEnd(new CKelVarBind("m_IfIndex", "5"));
  tree.RTLAdd(7, nullptr);           // no binding list: skipped silently
  tree.RTLAdd("ATM2/0.1", nullptr);  // reads as index 0, which the tree does not hold
  h.peer.AppendVendorSpecificData(&h.record, &h.medData, &tree);

  ASSERT_EQ(h.record.RRObjectVals().size(), 1u);
  EXPECT_EQ(h.record.RRObjectVals()[0].first, "m_ExtraInfo");
  EXPECT_EQ(Printed(h.record.RRObjectVals()[0].second),
            "m_VRData=({m_VRName=vr1,m_VRFName=(red,blue)},{m_VRName=vr2})");
  EXPECT_EQ(Printed(interfaces[3]), "m_VRName=vr1");
  EXPECT_EQ(Printed(interfaces[5]), "m_IfIndex=5,m_VRName=vr1,m_VRFName=red");
  EXPECT_EQ(Printed(interfaces[9]), "");
  EXPECT_FALSE(h.medData.DMDHasDataPtr("UnisphereIfIndexToVrVrfData"));
  ASSERT_EQ(h.Errors().size(), 1u);
  EXPECT_EQ(h.Errors()[0].code, -220439);
  EXPECT_EQ(h.Errors()[0].source, "CPelkUnisphereMPLSTelnet");
  EXPECT_EQ(h.Errors()[0].line, 2192);
  EXPECT_FALSE(h.Errors()[0].hasText);
}

}  // namespace
