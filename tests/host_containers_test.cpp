// The stand-in host's containers: who owns what after each hand-over.
#include <gtest/gtest.h>

#include "KelSnmp.h"
#include "PelkMediationData.h"

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

TEST(HostContainers, BindingsTakeTheirAtomAndCopiesAreDeep) {
  auto* names = new CKelAtomVector(0);
  names->RAVAddToEnd(new CKelAtom("ATM2/0.1"));
  CKelAtom* atom = new CKelAtom(names);
  CKelVarBind binding("m_InInterface", &atom);
  EXPECT_EQ(atom, nullptr);
  CKelVarBind copy(binding);
  ASSERT_NE(copy.RVBValue()->RAVector(), binding.RVBValue()->RAVector());
  EXPECT_STREQ(copy.RVBValue()->RAVector()->RAVGetValue(0)->RAString(), "ATM2/0.1");
}

TEST(HostContainers, TreeListKeepsTheFirstDataAndListsIntKeysInOrder) {
  int a = 1, b = 2;
  CKelTreeList tree(0);
  EXPECT_EQ(tree.RTLAdd(7, &a), 1);
  EXPECT_EQ(tree.RTLAdd(7, &b), 0);
  tree.RTLAdd(3, &b);
  EXPECT_EQ(tree.RTLGet(7)->RPData(), &a);
  CKelAtomVector* keys = tree.RTLGetKeys();
  ASSERT_EQ(keys->RAVSize(), 2);
  EXPECT_EQ(keys->RAVGetValue(0)->RAInt(), 3);
  delete keys;
  EXPECT_EQ(CKelTreeList(0).RTLGetKeys(), nullptr);
}

}  // namespace
