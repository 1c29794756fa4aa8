// The VRF entry as the host sees it: the owning virtual router closes its
// conversion, and a deep copy owns everything it holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "CPelkUnisphereVRFEntry.h"
#include "support/AgentHarness.h"

namespace {

// The host's printable form of an atom, e.g. "{m_VRName=vr1}".
std::string Printed(const CKelAtom& atom) {
  char* text = atom.RAStrRep();
  const std::string printed = text;
  free(text);
  return printed;
}

std::string VendorBindings(CPelkMPLSVRFEntry& vrf) {
  return Printed(CKelAtom(vrf.VendorBindings()));
}

TEST(VrfEntry, ConversionEndsWithTheVirtualRouterWhenThereIsOne) {
  CPelkUnisphereVRFEntry named("red", "100:1", "vr1");
  std::unique_ptr<CKelAtom> record(named.GenerateVRFRecordEntry());
  EXPECT_THAT(Printed(*record), testing::StartsWith("{m_VRFName=red,"));
  EXPECT_THAT(Printed(*record), testing::EndsWith(",m_VRName=vr1}"));

  CPelkUnisphereVRFEntry unnamed("red", "100:1", nullptr);
  std::unique_ptr<CKelListable> copy(unnamed.RLTargetDeepCopy(&unnamed));
  EXPECT_EQ(VendorBindings(*static_cast<CPelkUnisphereVRFEntry*>(copy.get())), "{}");
}

TEST(VrfEntry, DeepCopyOutlivesItsSource) {
  auto source = std::make_unique<CPelkUnisphereVRFEntry>("red", "100:1", "vr1");
  source->AddVRFLabelEntry(new CPelkMPLSVRFLabelEntry("16", 16, true, "10.5.0.0/16", 7, "ATM2/0.10",
                                                      "2.2.2.2", "Active", "Primary", nullptr, -1));
  ScopedDebugLevel level(3);
  testing::internal::CaptureStdout();
  std::unique_ptr<CKelListable> copy(source->RLTargetDeepCopy(source.get()));
  source.reset();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "CPelkUnisphereVRFEntry::RLTargetDeepCopy()\n"
            "CPelkUnisphereVRFEntry::CPelkUnisphereVRFEntry(const CPelkUnisphereVRFEntry &)\n"
            "CPelkUnisphereVRFEntry::~CPelkUnisphereVRFEntry()\n");
  auto* vrf = static_cast<CPelkUnisphereVRFEntry*>(copy.get());
  EXPECT_EQ(VendorBindings(*vrf), "{m_VRName=vr1}");
  EXPECT_EQ(vrf->LabelEntries().RDLLength(), 1);
}

}  // namespace
