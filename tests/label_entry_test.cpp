// The label entry as the host sees it: construction trace, converted bindings,
// inbound-interface rules and deep copies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "CPelkUnisphereLabelEntry.h"
#include "support/AgentHarness.h"
#include "support/LabelEntryBindings.h"

using testing::ElementsAre;
using testing::Pair;

namespace {

TEST(LabelEntry, ConstructionTraceListsTheArgumentsWithoutBlanks) {
  ScopedDebugLevel level(2);
  testing::internal::CaptureStdout();
  { CPelkUnisphereLabelEntry entry(17, "17", -1, "ATM2/0.1", 20, "20", 12, "ATM3/0.2",
                                   "10.1.1.2", nullptr, "default"); }
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "CPelkUnisphereLabelEntry::CPelkUnisphereLabelEntry("
            "17,17,-1,ATM2/0.1,20,20,12,ATM3/0.2,10.1.1.2,NULL,default)\n"
            "CPelkUnisphereLabelEntry::~CPelkUnisphereLabelEntry()\n");
}

TEST(LabelEntry, ConversionAddsVendorFieldsAndInboundInterfacesAfterTheBase) {
  CPelkUnisphereLabelEntry entry(17, "17", 11, "ATM2/0.1", 20, "20", 12, "ATM3/0.2", "10.1.1.2",
                                 "to-pe2", "default");
  entry.AddIfIndexIn(15);
  entry.AddIfNameIn("ATM2/0.5");
  EXPECT_THAT(Converted(entry),
              ElementsAre(Pair("m_OutLabel", "20"), Pair("m_OutIfIndex", "12"),
                          Pair("m_OutInterface", "ATM3/0.2"), Pair("m_NextHop", "10.1.1.2"),
                          Pair("m_Status", "Active"), Pair("m_Role", "Primary"),
                          Pair("m_LspName", "to-pe2"), Pair("m_VRName", "default"),
                          Pair("m_InLabel", "17"), Pair("m_InInterface", "(ATM2/0.1,ATM2/0.5)"),
                          Pair("m_InboundIfIndex", "(11,15)")));
  EXPECT_EQ(Converted(entry), Converted(entry));  // converting consumes nothing
}

TEST(LabelEntry, UnknownIndexesAndNullNamesAddNothingAfterConstruction) {
  CPelkUnisphereLabelEntry entry(17, "17", -1, nullptr, 20, "20", 12, "ATM3/0.2", "10.1.1.2",
                                 nullptr, nullptr);
  entry.AddIfIndexIn(-1);
  entry.AddIfNameIn(nullptr);
  EXPECT_THAT(Converted(entry),
              ElementsAre(Pair("m_OutLabel", "20"), Pair("m_OutIfIndex", "12"),
                          Pair("m_OutInterface", "ATM3/0.2"), Pair("m_NextHop", "10.1.1.2"),
                          Pair("m_Status", "Active"), Pair("m_Role", "Primary"),
                          Pair("m_InLabel", "17"), Pair("m_InboundIfIndex", "(-1)")));
}

TEST(LabelEntry, DeepCopySharesNothingWithItsSource) {
  auto source = std::make_unique<CPelkUnisphereLabelEntry>(
      17, "17", 11, "ATM2/0.1", 20, "20", 12, "ATM3/0.2", "10.1.1.2", "to-pe2", "default");
  CPelkUnisphereLabelEntry unrelated(99, "99", 1, "x", 1, "1", 1, "y", "1.1.1.1", "z", "vr9");
  std::unique_ptr<CKelListable> copied(unrelated.RLTargetDeepCopy(source.get()));
  auto& copy = static_cast<CPelkUnisphereLabelEntry&>(*copied);
  const BindingTexts before = Converted(*source);

  copy.AddIfIndexIn(15);
  EXPECT_EQ(Converted(*source), before);
  source.reset();
  const BindingTexts after = Converted(copy);
  EXPECT_EQ(ValueOf(after, "m_LspName"), "to-pe2");
  EXPECT_EQ(ValueOf(after, "m_VRName"), "default");
  EXPECT_EQ(ValueOf(after, "m_InInterface"), "(ATM2/0.1)");
  EXPECT_EQ(ValueOf(after, "m_InboundIfIndex"), "(11,15)");
}

}  // namespace
