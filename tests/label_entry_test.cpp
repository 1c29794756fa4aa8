// The label entry as the host sees it: its construction trace, the bindings
// its conversion appends, and deep copies that share nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "CPelkUnisphereLabelEntry.h"
#include "support/AgentHarness.h"
#include "support/LabelEntryBindings.h"

using testing::Contains;
using testing::ElementsAre;
using testing::Key;
using testing::Not;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::unique_ptr<CPelkUnisphereLabelEntry> SwapEntry() {
  return std::make_unique<CPelkUnisphereLabelEntry>(17, "17", 11, "ATM2/0.1", 20, "20", 12,
                                                    "ATM3/0.2", "10.1.1.2", "to-pe2", "default");
}

TEST(LabelEntry, ConstructionAndDestructionTraceAtLevelTwo) {
  ScopedDebugLevel level(2);
  CaptureStdout();
  { CPelkUnisphereLabelEntry entry(17, "17", -1, "ATM2/0.1", 20, "20", 12, "ATM3/0.2",
                                   "10.1.1.2", nullptr, "default"); }
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry("
            "17,17,-1,ATM2/0.1,20,20,12,ATM3/0.2,10.1.1.2,NULL,default)\n"
            "CPelkUnisphereLabelEntry::~CPelkUnisphereLabelEntry()\n");
}

TEST(LabelEntry, ConversionAppendsVendorFieldsThenInboundInterfacesAfterTheBase) {
  auto entry = SwapEntry();
  entry->AddIfIndexIn(15);
  entry->AddIfNameIn("ATM2/0.5");

  EXPECT_THAT(Converted(*entry),
              ElementsAre(Pair("m_OutLabel", "20"), Pair("m_OutIfIndex", "12"),
                          Pair("m_OutInterface", "ATM3/0.2"), Pair("m_NextHop", "10.1.1.2"),
                          Pair("m_Status", "Active"), Pair("m_Role", "Primary"),
                          Pair("m_LspName", "to-pe2"), Pair("m_VRName", "default"),
                          Pair("m_InLabel", "17"), Pair("m_InInterface", "(ATM2/0.1,ATM2/0.5)"),
                          Pair("m_InboundIfIndex", "(11,15)")));
  // The entry's own vectors are not consumed: a second conversion says the same.
  EXPECT_EQ(Converted(*entry), Converted(*entry));
}

TEST(LabelEntry, HooksTraceAtLevelThree) {
  auto entry = SwapEntry();
  ScopedDebugLevel level(3);
  CaptureStdout();
  Converted(*entry);
  EXPECT_EQ(GetCapturedStdout(),
            "CPelkUnisphereLabelEntry::ConvertVendorInLabelEntry()\n"
            "CPelkUnisphereLabelEntry::AddInLabelEntryInfo\n");
}

TEST(LabelEntry, AnUnknownIncomingInterfaceIsKeptOnlyWhenTheEntryIsMade) {
  CPelkUnisphereLabelEntry entry(17, "17", -1, "ATM2/0.1", 20, "20", 12, "ATM3/0.2", "10.1.1.2",
                                 "to-pe2", "default");
  entry.AddIfIndexIn(-1);
  EXPECT_EQ(ValueOf(Converted(entry), "m_InboundIfIndex"), "(-1)");
  entry.AddIfIndexIn(15);
  EXPECT_EQ(ValueOf(Converted(entry), "m_InboundIfIndex"), "(-1,15)");
}

TEST(LabelEntry, NullNamesProduceNoBindings) {
  CPelkUnisphereLabelEntry entry(17, "17", 11, nullptr, 20, "20", 12, "ATM3/0.2", "10.1.1.2",
                                 nullptr, nullptr);
  entry.AddIfNameIn(nullptr);
  const BindingTexts texts = Converted(entry);
  EXPECT_THAT(texts, Not(Contains(Key("m_InInterface"))));
  EXPECT_THAT(texts, Not(Contains(Key("m_LspName"))));
  EXPECT_THAT(texts, Not(Contains(Key("m_VRName"))));
  EXPECT_EQ(ValueOf(texts, "m_InboundIfIndex"), "(11)");

  entry.AddIfNameIn("ATM2/0.5");
  EXPECT_EQ(ValueOf(Converted(entry), "m_InInterface"), "(ATM2/0.5)");
}

TEST(LabelEntry, DeepCopySharesNothingWithItsSource) {
  auto source = SwapEntry();
  CPelkUnisphereLabelEntry unrelated(99, "99", 1, "x", 1, "1", 1, "y", "1.1.1.1", "z", "vr9");
  std::unique_ptr<CKelListable> copy;
  {
    ScopedDebugLevel level(3);
    CaptureStdout();
    copy.reset(unrelated.RLTargetDeepCopy(source.get()));
    EXPECT_EQ(GetCapturedStdout(),
              "CPelkUnisphereLabelEntry::RLTargetDeepCopy()\n"
              "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry(const CPelkUnisphereLabelEntry &)\n");
  }
  auto* entry = static_cast<CPelkUnisphereLabelEntry*>(copy.get());
  const BindingTexts original = Converted(*source);

  entry->AddIfIndexIn(15);
  entry->AddIfNameIn("ATM2/0.5");
  EXPECT_EQ(Converted(*source), original);

  source.reset();
  const BindingTexts copied = Converted(*entry);
  EXPECT_EQ(ValueOf(copied, "m_LspName"), "to-pe2");
  EXPECT_EQ(ValueOf(copied, "m_VRName"), "default");
  EXPECT_EQ(ValueOf(copied, "m_InboundIfIndex"), "(11,15)");
  EXPECT_EQ(ValueOf(copied, "m_InInterface"), "(ATM2/0.1,ATM2/0.5)");
}

TEST(LabelEntry, HostListCopiesKeepTheVendorFields) {
  CKelDoubleList original;
  original.RDLAddToListEnd(SwapEntry().release());
  CKelDoubleList copy;
  copy.RDLAddToListEnd(&original, false);
  ASSERT_EQ(copy.RDLLength(), 1);
  EXPECT_EQ(Converted(*static_cast<CPelkMPLSLabelEntry*>(copy.RDLHead())),
            Converted(*static_cast<CPelkMPLSLabelEntry*>(original.RDLHead())));
}

}  // namespace
