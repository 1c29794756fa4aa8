// The stand-in host's containers: who owns what after each hand-over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereVRFEntry.h"
#include "host/KelSnmp.h"
#include "host/PelkMediationData.h"
#include "tests/support/AgentHarness.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

CKelSnmpVarOp* Row(const char* instance, int value) {
  std::vector<unsigned int> address;
  CKelASN1Address::Parse(instance, address);
  return new CKelSnmpVarOp("ifAdminStatus", address, new CKelAtom(value));
}

TEST(HostContainers, ListsTakeOverOrCopyAndStoresOwnOnlyWhatTheyPromise) {
  CKelDoubleList mine;
  mine.RDLAddToListEnd(Row("1", 10));
  auto* theirs = new CKelDoubleList;
  theirs->RDLAddToListEnd(Row("2", 20));
  mine.RDLAddToListEnd(theirs, false);  // copies; theirs stays whole
  EXPECT_EQ(theirs->RDLLength(), 1);
  EXPECT_NE(mine.RDLGetNext(mine.RDLHead()), theirs->RDLHead());
  mine.RDLAddToListEnd(theirs, true);  // takes the items and frees the list
  EXPECT_EQ(mine.RDLLength(), 3);

  CPelkMediationData medData;
  medData.DMDAddSnmp("ifAdminStatus.vr1", new CKelDoubleList);
  medData.DMDAddSnmp("ifAdminStatus.vr1", new CKelDoubleList);  // frees the first
  int value = 5;
  medData.DMDAddDataPtr("key", &value);  // never freed by the store
  EXPECT_EQ(medData.DMDRemoveDataPtr("key"), &value);
  EXPECT_EQ(medData.DMDRemoveDataPtr("key"), nullptr);
}

// Counts its living copies, to see what a store frees.
struct Tracked {
  explicit Tracked(int& alive) : alive_(alive) { ++alive_; }
  ~Tracked() { --alive_; }
  int& alive_;
};

TEST(HostContainers, AReplacedPointerIsFreedWhenItsTypeIsKnown) {
  int alive = 0;
  CPelkMediationData medData;
  auto* first = new Tracked(alive);
  EXPECT_EQ(medData.DMDAddDataPtr("m_MPLSData", first), 1);
  EXPECT_EQ(medData.DMDAddDataPtr("m_MPLSData", first), 0);  // the same object stays
  EXPECT_EQ(alive, 1);
  auto* second = new Tracked(alive);
  EXPECT_EQ(medData.DMDAddDataPtr("m_MPLSData", second), 0);
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(medData.DMDGetDataPtr("m_MPLSData"), second);

  Tracked untyped(alive);
  medData.DMDAddDataPtr("opaque", static_cast<void*>(&untyped));
  medData.DMDAddDataPtr("opaque", static_cast<void*>(nullptr));  // untyped: left to its storer
  EXPECT_EQ(alive, 2);
  delete static_cast<Tracked*>(medData.DMDRemoveDataPtr("m_MPLSData"));
  EXPECT_EQ(alive, 1);
}

TEST(HostContainers, VrfsAreKnownByNameAndRouteDistinguisherWithoutVendorHooks) {
  ScopedDebugLevel level(3);
  auto* red = new CPelkUnisphereVRFEntry("red", "100:1", "vr1");
  auto* redOfVr2 = new CPelkUnisphereVRFEntry("red", "200:1", "vr2");
  CPelkUnisphereVRFEntry redAgain("red", "100:1", "vr1");
  auto* lab = new CPelkUnisphereVRFEntry("lab", "", "vr1");
  auto* labOfVr2 = new CPelkUnisphereVRFEntry("lab", "", "vr2");
  CPelkMPLSData data;
  CaptureStdout();
  EXPECT_EQ(data.AddVRFDataEntry(red), 1);
  EXPECT_EQ(data.AddVRFDataEntry(redOfVr2), 1);
  EXPECT_EQ(data.AddVRFDataEntry(&redAgain), 0);
  EXPECT_EQ(data.AddVRFDataEntry(red), 0);
  EXPECT_EQ(data.AddVRFDataEntry(lab), 1);
  EXPECT_EQ(data.AddVRFDataEntry(labOfVr2), 1);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(data.VRFEntries().RDLLength(), 4);
}

TEST(HostContainers, BindingsTakeTheirAtomAndCopiesAreDeep) {
  auto* names = new CKelAtomVector(0);
  names->RAVAddToEnd(new CKelAtom("ATM2/0.1"));
  CKelAtom* atom = new CKelAtom(names);
  CKelVarBind binding("m_InInterface", &atom);
  EXPECT_EQ(atom, nullptr);
  CKelVarBind copy(binding);  // NOLINT(performance-unnecessary-copy-initialization): under test
  ASSERT_NE(copy.RVBValue()->RAVector(), binding.RVBValue()->RAVector());
  EXPECT_STREQ(copy.RVBValue()->RAVector()->RAVGetValue(0)->RAString(), "ATM2/0.1");
}

TEST(HostContainers, TreeListKeepsTheFirstDataAndListsKeysInOrder) {
  int a = 1, b = 2;
  CKelTreeList tree(0);
  EXPECT_EQ(tree.RTLAdd(7, &a), 1);
  EXPECT_EQ(tree.RTLAdd(7, &b), 0);
  tree.RTLAdd(3, &b);
  EXPECT_EQ(tree.RTLGet(7)->RPData(), &a);
  // Text keys in text order whatever their lengths, after the integer keys.
  for (const char* text : {"9", "100", "10", "9a", "\xe9", "A"}) tree.RTLAdd(text, &b);
  EXPECT_EQ(tree.RTLAdd("10", &a), 0);
  EXPECT_EQ(tree.RTLGet("10")->RPData(), &b);
  EXPECT_EQ(tree.RTLGet("1"), nullptr);
  CKelAtomVector* keys = tree.RTLGetKeys();
  ASSERT_EQ(keys->RAVSize(), 8);
  EXPECT_EQ(keys->RAVGetValue(0)->RAInt(), 3);
  std::vector<std::string> texts;
  for (int i = 2; i < keys->RAVSize(); ++i) texts.emplace_back(keys->RAVGetValue(i)->RAString());
  EXPECT_EQ(texts, (std::vector<std::string>{"10", "100", "9", "9a", "A", "\xe9"}));
  delete keys;
  EXPECT_EQ(CKelTreeList(0).RTLGetKeys(), nullptr);
}

}  // namespace
