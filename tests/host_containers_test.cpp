// The stand-in host's containers: who owns what after each hand-over.
#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KelSnmp.h"
#include "PelkMediationData.h"

namespace {

CKelSnmpVarOp* Row(const char* instance, int value) {
  std::vector<unsigned int> address;
  CKelASN1Address::Parse(instance, address);
  return new CKelSnmpVarOp("ifAdminStatus", address, new CKelAtom(value));
}

int ValueAt(const CKelDoubleList& list, int position) {
  CKelListable* it = list.RDLHead();
  while (position-- > 0) it = list.RDLGetNext(it);
  return static_cast<CKelSnmpVarOp*>(it)->RSVOValue()->RAInt();
}

TEST(DoubleList, TakingOverMovesItemsCopyingLeavesThem) {
  CKelDoubleList mine;
  mine.RDLAddToListEnd(Row("1", 10));
  auto* theirs = new CKelDoubleList;
  theirs->RDLAddToListEnd(Row("2", 20));
  theirs->RDLAddToListEnd(Row("3", 30));

  mine.RDLAddToListEnd(theirs, false);  // copies; theirs stays whole
  EXPECT_EQ(theirs->RDLLength(), 2);
  EXPECT_EQ(mine.RDLLength(), 3);
  EXPECT_NE(mine.RDLGetNext(mine.RDLHead()), theirs->RDLHead());

  mine.RDLAddToListEnd(theirs, true);  // takes the items and frees the list
  EXPECT_EQ(mine.RDLLength(), 5);
  EXPECT_EQ(ValueAt(mine, 4), 30);
}

TEST(DoubleList, RemovingRelinksNeighbours) {
  CKelDoubleList list;
  CKelListable* middle = Row("2", 20);
  list.RDLAddToListEnd(Row("1", 10));
  list.RDLAddToListEnd(middle);
  list.RDLAddToListEnd(Row("3", 30));
  delete list.RDLRemove(middle);
  EXPECT_EQ(list.RDLLength(), 2);
  EXPECT_EQ(ValueAt(list, 1), 30);
}

TEST(Atoms, BindingTakesTheAtomAndCopiesAreDeep) {
  auto* names = new CKelAtomVector(0);
  names->RAVAddToEnd(new CKelAtom("ATM2/0.1"));
  CKelAtom* atom = new CKelAtom(names);
  CKelVarBind binding("m_InInterface", &atom);
  EXPECT_EQ(atom, nullptr);

  CKelVarBind copy(binding);
  ASSERT_NE(copy.RVBValue()->RAVector(), binding.RVBValue()->RAVector());
  EXPECT_STREQ(copy.RVBValue()->RAVector()->RAVGetValue(0)->RAString(), "ATM2/0.1");

  char* text = binding.RVBValue()->RAStrRep();
  EXPECT_STREQ(text, "(ATM2/0.1)");
  std::free(text);
  EXPECT_EQ(CKelAtom(static_cast<const char*>(nullptr)).RAString(), nullptr);
}

TEST(TreeList, KeepsTheFirstDataAndListsIntKeysInOrder) {
  int a = 1, b = 2;
  CKelTreeList tree(0);
  EXPECT_EQ(tree.RTLAdd(7, &a), 1);
  EXPECT_EQ(tree.RTLAdd(7, &b), 0);
  tree.RTLAdd(3, &b);
  EXPECT_EQ(tree.RTLGet(7)->RPData(), &a);
  EXPECT_EQ(tree.RTLGet("7"), nullptr);

  CKelAtomVector* keys = tree.RTLGetKeys();
  ASSERT_NE(keys, nullptr);
  ASSERT_EQ(keys->RAVSize(), 2);
  EXPECT_EQ(keys->RAVGetValue(0)->RAInt(), 3);
  EXPECT_EQ(keys->RAVGetValue(1)->RAInt(), 7);
  delete keys;
  EXPECT_EQ(CKelTreeList(0).RTLGetKeys(), nullptr);
}

TEST(MediationData, OwnsSnmpListsButNotPointers) {
  CPelkMediationData medData;
  auto* first = new CKelDoubleList;
  medData.DMDAddSnmp("ifAdminStatus.vr1", first);
  medData.DMDAddSnmp("ifAdminStatus.vr1", new CKelDoubleList);  // frees the first
  EXPECT_NE(medData.DMDGetSnmpGetNext("ifAdminStatus.vr1"), nullptr);
  EXPECT_EQ(medData.DMDGetSnmpGetNext("ifAdminStatus.vr2"), nullptr);

  int value = 5;
  EXPECT_EQ(medData.DMDAddDataPtr("key", &value), 1);
  EXPECT_EQ(medData.DMDRemoveDataPtr("key"), &value);
  EXPECT_EQ(medData.DMDRemoveDataPtr("key"), nullptr);
}

TEST(Asn1Address, ParsesInstancesAndRejectsJunk) {
  std::vector<unsigned int> out;
  EXPECT_TRUE(CKelASN1Address::Parse("10.1.1.1", out));
  CKelASN1Address address(out);
  EXPECT_STREQ(address.RAAAsString(), "10.1.1.1");
  EXPECT_EQ(address.RAAAddressAt(0), 10);
  EXPECT_EQ(address.RAAAddressAt(4), -1);
  EXPECT_FALSE(CKelASN1Address::Parse("10..1", out));
  EXPECT_FALSE(CKelASN1Address::Parse("", out));
  EXPECT_EQ(CKelASN1Address({}).RAAAsString(), nullptr);
}

}  // namespace
