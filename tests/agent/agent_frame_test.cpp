// The mediation layer, the MPLS driver and the clean-up, driven as the host
// drives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/AgentHarness.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using VrList = std::vector<std::string>;
using VrfTable = std::vector<std::vector<std::string>>;

const char kTwoVirtualRouters[] =
    "Virtual Router   Router ID        Type\n"
    "--------------   ---------        ----\n"
    "default          10.255.0.1       default\n"
    "vr2              10.255.2.1       user\n";

const char kVrfsOfDefault[] =
    "Name          Default RD        Interfaces\n"
    "red           100:1             ATM2/0.10\n"
    "                                ATM2/0.11\n"
    "blue          100:2\n";

void ScriptTwoVirtualRouters(ScriptedDevice& device) {
  device.Reply("show virtual-router", kTwoVirtualRouters);
  device.Reply("show ip vrf", kVrfsOfDefault, "default");
  device.Reply("show ip vrf", "Name          Default RD        Interfaces\n", "vr2");
}

TEST(MediationLayer, NullRecordOrMissingMediationDataIsAnErrorAndRunsNothing) {
  AgentHarness h;
  CKelRecord bare("lonely");
  h.peer.DADoMediationLayer(nullptr);
  h.peer.DADoMediationLayer(&bare);
  ASSERT_EQ(h.Errors().size(), 2u);
  EXPECT_EQ(h.Errors()[0].code, -220402);
  EXPECT_EQ(h.Errors()[0].source, "CPelkUnisphereMPLSTelnet");
  EXPECT_EQ(h.Errors()[0].line, 1509);
  EXPECT_FALSE(h.Errors()[0].hasText);
  EXPECT_EQ(h.Errors()[1].line, 1516);
  EXPECT_THAT(h.device.Sessions(), IsEmpty());
  EXPECT_THAT(h.device.Walks(), IsEmpty());
}

// A second pass without clean-up replaces the first pass's data: under the leak
// checker, its lists, result and ownership map are freed.
TEST(MediationLayer, StoresVirtualRoutersAndVrfsAndTheMplsResultEveryPass) {
  AgentHarness h;
  ScriptTwoVirtualRouters(h.device);
  h.peer.DADoMediationLayer(&h.record);
  h.peer.DADoMediationLayer(&h.record);

  auto* vrs = static_cast<VrList*>(h.medData.DMDGetDataPtr("VirtualRouter"));
  auto* vrfs = static_cast<VrfTable*>(h.medData.DMDGetDataPtr("VrfNames"));
  ASSERT_NE(vrs, nullptr);
  ASSERT_NE(vrfs, nullptr);
  EXPECT_THAT(*vrs, ElementsAre("default", "vr2"));
  EXPECT_THAT(*vrfs, ElementsAre(ElementsAre("red", "blue"), IsEmpty()));
  EXPECT_NE(h.medData.DMDGetDataPtr("m_MPLSData"), nullptr);
  EXPECT_NE(h.medData.DMDGetDataPtr("UnisphereIfIndexToVrVrfData"), nullptr);
  EXPECT_FALSE(h.medData.DMDHasDataPtr("UnisphereTelnetData")) << "cache outlived the driver";

  // The download is one request holding both virtual routers' commands.
  const auto& sessions = h.device.Sessions();
  ASSERT_EQ(sessions.size(), 6u);
  EXPECT_THAT(
      sessions[2],
      ElementsAre("virtual-router default", "show mpls interface", "show mpls forwarding brief",
                  "show ip vrf detail", "show ip bgp vpnv4 vrf red next-hops",
                  "show ip route vrf red", "show ip bgp vpnv4 vrf blue next-hops",
                  "show ip route vrf blue", "virtual-router vr2", "show mpls interface",
                  "show mpls forwarding brief", "show ip vrf detail"));
}

TEST(MediationLayer, DeviceWithoutVirtualRoutersGetsEmptyEntries) {
  AgentHarness h;  // the device answers nothing
  h.peer.DADoMediationLayer(&h.record);

  auto* vrs = static_cast<VrList*>(h.medData.DMDGetDataPtr("VirtualRouter"));
  auto* vrfs = static_cast<VrfTable*>(h.medData.DMDGetDataPtr("VrfNames"));
  ASSERT_NE(vrs, nullptr);
  ASSERT_NE(vrfs, nullptr);
  EXPECT_THAT(*vrs, IsEmpty());
  EXPECT_THAT(*vrfs, IsEmpty());
  auto* result = static_cast<CPelkMPLSData*>(h.medData.DMDGetDataPtr("m_MPLSData"));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->LabelEntries().RDLLength(), 0);
  EXPECT_EQ(result->VRFEntries().RDLLength(), 0);
  // The download still asked, with no command at all.
  ASSERT_EQ(h.device.Sessions().size(), 2u);
  EXPECT_THAT(h.device.Sessions()[1], IsEmpty());
  EXPECT_THAT(h.Errors(), IsEmpty());
}

TEST(MplsDriver, VisitsVirtualRoutersInOrderAndSkipsLabelsWhenNotWanted) {
  AgentHarness h;
  h.SetVirtualRouters({"vr1", "vr2"}, {{}, {}});
  h.agent.DMASetGatherLabels(false);
  ScopedDebugLevel level(3);
  CaptureStdout();
  h.peer.DMAObtainMPLSData(&h.record, &h.medData);
  const std::string out = GetCapturedStdout();

  EXPECT_THAT(out, testing::StartsWith("CPelkUnisphereMPLSTelnet::DMAObtainMPLSData()\n"));
  EXPECT_THAT(out, testing::Not(HasSubstr("ObtainLabelData(")));
  const size_t first = out.find("ObtainVRFData(,,,vr1)");
  const size_t second = out.find("ObtainVRFData(,,,vr2)");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(out.find("GenerateIfDescrToIfIndexTL(,,,vr2)"), second);
  EXPECT_GT(out.find("GenerateIfDescrToIfIndexTL(,,,vr2)"), first);

  delete static_cast<CPelkMPLSData*>(h.medData.DMDRemoveDataPtr("m_MPLSData"));
  h.agent.DMASetGatherLabels(true);  // asked anew in every pass
  CaptureStdout();
  h.peer.DMAObtainMPLSData(&h.record, &h.medData);
  EXPECT_THAT(GetCapturedStdout(), HasSubstr("ObtainLabelData(,,,vr2)"));
}

TEST(CleanUp, FreesWhatIsThereAndLeavesTheOwnershipMap) {
  AgentHarness h;
  h.medData.DMDAddDataPtr("m_MPLSData", new CPelkMPLSData);
  h.medData.DMDAddDataPtr("VrfNames", new VrfTable{{"red"}});
  auto* ownership = new std::map<int, std::vector<std::string>>;
  h.medData.DMDAddDataPtr("UnisphereIfIndexToVrVrfData", ownership);
  h.peer.DMACleanUpMedData(&h.medData);
  EXPECT_FALSE(h.medData.DMDHasDataPtr("m_MPLSData"));
  EXPECT_FALSE(h.medData.DMDHasDataPtr("VrfNames"));
  EXPECT_EQ(h.medData.DMDGetDataPtr("UnisphereIfIndexToVrVrfData"), ownership);
  EXPECT_THAT(h.Errors(), IsEmpty());
  h.peer.DMACleanUpMedData(&h.medData);  // nothing left: no report, no crash
  EXPECT_THAT(h.Errors(), IsEmpty());
}

// Its description is checked where the module is loaded as a host loads it.
TEST(AgentObject, LeavesTheDataAloneWhenDeleted) {
  auto* agent = new CPelkUnisphereMPLSTelnet;
  CPelkMediationData medData;
  auto* vrs = new VrList{"default"};
  medData.DMDAddDataPtr("VirtualRouter", vrs);
  delete static_cast<CKelApplication*>(agent);
  EXPECT_EQ(medData.DMDGetDataPtr("VirtualRouter"), vrs) << "deleting the agent touched the data";
  delete static_cast<VrList*>(medData.DMDRemoveDataPtr("VirtualRouter"));
}

}  // namespace
