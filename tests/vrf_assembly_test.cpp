// The VRFs of a virtual router as entries of the MPLS result: route targets,
// imposition entries for labelled routes, and the interfaces bound to each VRF.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/AgentHarness.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::Pair;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const char kRedAndBlue[] =
    "VRF red; default RD 100:1\n"
    "  Interfaces:\n    ATM2/0.10\n    ATM2/0.11\n    ATM2/0.12\n"
    "  Export VPN route-target communities\n    RT:100:1\n"
    "  Import VPN route-target communities\n    RT:100:2  RT:100:3\n"
    "VRF blue; default RD 100:9\n";

const char kRedRoutes[] =
    "10.5.0.0/16         Bgp     2.2.2.2         200/0      ATM2/0.10\n"
    "10.6.0.0/16         Bgp     2.2.2.9         200/0      ATM2/0.10\n"
    "10.7.0.0/16         Bgp     2.2.2.2*        200/0      ATM2/0.12\n";

std::string NextHop(const std::string& label, const std::string& direct) {
  return "Indirect next-hop 2.2.2.2\n  MPLS stacked label " + label +
         "\n  Reachable (metric 2)\n  Direct next-hop " + direct + "\n  Reference count is 3\n";
}

std::vector<int> IfIndexes(const CKelAtomVector& atoms) {
  std::vector<int> values;
  for (int i = 0; i < atoms.RAVSize(); ++i) values.push_back(atoms.RAVGetValue(i)->RAInt());
  return values;
}

// The host's printable form: "(100:2,100:3)", "{m_Label=16,...}".
std::string Printed(const CKelAtom& atom) {
  char* text = atom.RAStrRep();
  const std::string printed = text;
  free(text);
  return printed;
}

struct Assembly {
  explicit Assembly(const std::string& vrfDetail,
                    const std::string& nextHops = NextHop("16", "ATM2/0.10 (10.7.7.1)") +
                                                  NextHop("17", "ATM2/0.12 (10.7.8.1)")) {
    if (!vrfDetail.empty()) h.device.Reply("show ip vrf detail", vrfDetail);
    h.device.Reply("show ip bgp vpnv4 vrf red next-hops", nextHops);
    h.device.Reply("show ip route vrf red", kRedRoutes);
    h.device.Reply("show ip route vrf red 10.7.0.0 detail",
                   "    NHop: 2.2.2.2\n    IfIndx: 12\n    Intf: ATM2/0.12\n");
    h.SetVirtualRouters({"default"}, {{"red", "blue"}});
    h.Download();
  }
  std::string Run(int level) {
    ScopedDebugLevel scoped(level);
    CaptureStdout();
    h.peer.ObtainVRFData(&h.record, &result, index, "default");
    return GetCapturedStdout();
  }
  CPelkMPLSVRFEntry& Vrf(int position) {
    CKelListable* it = result.VRFEntries().RDLHead();
    for (int i = 0; i < position; ++i) it = result.VRFEntries().RDLGetNext(it);
    return *static_cast<CPelkMPLSVRFEntry*>(it);
  }
  std::string Imposition(int position, int index) {
    std::unique_ptr<CKelAtom> atom(Vrf(position).GenerateCERecordEntry(index));
    return atom ? Printed(*atom) : "<none>";
  }

  AgentHarness h;
  CPelkMPLSData result;
  std::map<std::string, int> index{{"ip2/0.10", 10}};
};

TEST(VrfAssembly, LabelledRoutesBecomeImpositionsAndLearntInterfacesAreBound) {
  Assembly a(kRedAndBlue);
  const std::string out = a.Run(1);

  ASSERT_EQ(a.result.VRFEntries().RDLLength(), 2);
  CPelkMPLSVRFEntry& red = a.Vrf(0);
  EXPECT_EQ(red.RouteDistinguisher(), "100:1");
  EXPECT_EQ(Printed(CKelAtom(new CKelAtomVector(red.ExportRTs()))), "(100:1)");
  EXPECT_EQ(Printed(CKelAtom(new CKelAtomVector(red.ImportRTs()))), "(100:2,100:3)");
  // ATM2/0.12 was learnt from the route detail; ATM2/0.11 is nowhere.
  EXPECT_THAT(IfIndexes(red.Interfaces()), ElementsAre(10, 12));
  EXPECT_THAT(a.index, ElementsAre(Pair("ip2/0.10", 10), Pair("ip2/0.12", 12)));

  EXPECT_EQ(red.LabelEntries().RDLLength(), 2);
  EXPECT_EQ(a.Imposition(0, 0),
            "{m_Label=16,m_Destination=10.5.0.0/16,m_IfIndex=10,m_Interface=ATM2/0.10,"
            "m_NextHop=2.2.2.2,m_Status=Active,m_Role=Primary}");
  EXPECT_EQ(a.Imposition(0, 1),
            "{m_Label=17,m_Destination=10.7.0.0/16,m_IfIndex=12,m_Interface=ATM2/0.12,"
            "m_NextHop=2.2.2.2,m_Status=Active,m_Role=Primary}");

  EXPECT_EQ(a.Vrf(1).LabelEntries().RDLLength(), 0);

  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() failed to add data because label for "
                             "'2.2.2.9.ip2/0.10' could not be found\n"));
  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() can not bind interface ATM2/0.11 to red because "
                             "ifIndex can not be found\n"));
  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() no label information for blue found!!\n"));
}

TEST(VrfAssembly, WithoutLabelGatheringEveryRouteIsStillResolved) {
  Assembly a(kRedAndBlue);
  a.h.agent.DMASetGatherLabels(false);
  const std::string out = a.Run(1);

  EXPECT_EQ(a.h.device.Sessions().size(), 2u);  // the download and one route detail
  EXPECT_EQ(a.Vrf(0).LabelEntries().RDLLength(), 0);
  EXPECT_THAT(IfIndexes(a.Vrf(0).Interfaces()), ElementsAre(10, 12));
  EXPECT_THAT(out, Not(HasSubstr("failed to add")));
}

TEST(VrfAssembly, VrfWithoutLabelsReadsNoRoutesButIsStillBound) {
  Assembly a("VRF red; default RD 100:1\n  Interfaces:\n    ATM2/0.10\n    ATM2/0.12\n", "");
  a.Run(1);
  EXPECT_EQ(a.h.device.Sessions().size(), 1u);  // the download, no route detail
  EXPECT_THAT(IfIndexes(a.Vrf(0).Interfaces()), ElementsAre(10));
}

TEST(VrfAssembly, RefusedDuplicateIsDroppedAndTheNextVrfStillAssembled) {
  Assembly a(std::string("VRF red; default RD 100:1\n") + kRedAndBlue);
  const std::string out = a.Run(3);
  ASSERT_EQ(a.result.VRFEntries().RDLLength(), 2);
  EXPECT_EQ(a.Vrf(0).RouteDistinguisher(), "100:1");
  EXPECT_THAT(IfIndexes(a.Vrf(0).Interfaces()), IsEmpty());  // the first block had none
  EXPECT_EQ(a.Vrf(1).Name(), "blue");
  // The refused copy reads nothing.
  EXPECT_EQ(out.find("GetLabels(,,red,default)"), out.rfind("GetLabels(,,red,default)"));
}

}  // namespace
