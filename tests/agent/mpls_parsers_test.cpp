// What the agent makes of a virtual router's replies: MPLS interfaces, the
// interface index, label entries, and VRFs with their routes, labels and interfaces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereLabelEntry.h"
#include "agents/UnisphereMPLSTelnet/CPelkUnisphereVRFEntry.h"
#include "host/ERXHost.h"
#include "host/KelSnmp.h"
#include "tests/support/AgentHarness.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Pair;

namespace {

using Index = std::map<std::string, int>;
using Names = std::vector<std::string>;
using Replies = std::vector<std::pair<std::string, std::string>>;

const std::string kMplsInterface = "show mpls interface";
const std::string kForwarding = "show mpls forwarding brief";
const std::string kRoutes = "show ip route vrf red";
const std::string kNextHops = "show ip bgp vpnv4 vrf red next-hops";
const int kIpInterface = 49, kMplsTunnel = 150;

template <typename Step>
std::string Output(int level, Step step) {
  ScopedDebugLevel scoped(level);
  testing::internal::CaptureStdout();
  step();
  return testing::internal::GetCapturedStdout();
}

// The host's printable form: "(10,12)", "{m_Label=16,...}".
std::string Printed(const CKelAtom& atom) {
  std::unique_ptr<char, decltype(&free)> text(atom.RAStrRep(), &free);
  return text.get();
}

std::string Converted(CPelkMPLSLabelEntry& entry) {
  auto* bindings = new CKelVBList;
  CKelPointer target(bindings);
  entry.ConvertLabelEntry(&target);
  return Printed(CKelAtom(bindings));
}

std::string List(const CKelAtomVector& v) { return Printed(CKelAtom(new CKelAtomVector(v))); }

template <typename Entry>
std::vector<Entry*> Items(const CKelDoubleList& list) {
  std::vector<Entry*> items;
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it))
    items.push_back(static_cast<Entry*>(it));
  return items;
}

std::string Route(const std::string& dest, const std::string& hop, const std::string& intf) {
  return dest + std::string(20 - dest.size(), ' ') + "Bgp     " + hop + "         200/0      " +
         intf + "\n";
}

std::string NextHop(const std::string& hop, const std::string& label, const std::string& direct) {
  return "Indirect next-hop " + hop + "\n  MPLS stacked label " + label +
         "\n  Reachable (metric 2)\n  Direct next-hop " + direct + "\n  Reference count is 3\n";
}

// Virtual router "default" with VRFs red and blue, whose download cached these replies.
struct Router {
  explicit Router(const Replies& replies, Index known = {}) : index(std::move(known)) {
    for (const auto& [command, text] : replies) h.device.Reply(command, text);
    h.SetVirtualRouters({"default"}, {{"red", "blue"}});
    h.Download();
  }
  std::string BuildIndex(const Names& vrfs) {  // the level-1 output, as below
    return Output(1, [&] {
      h.peer.GenerateIfDescrToIfIndexTL(&h.record, &h.medData, index, "default", vrfs);
    });
  }
  std::string Forwarding() {
    return Output(1, [&] { h.peer.ObtainLabelData(&h.record, &result, index, "default"); });
  }
  std::string Assemble(int level) {
    return Output(level, [&] { h.peer.ObtainVRFData(&h.record, &result, index, "default"); });
  }
  void Routes() { h.peer.GetSpecificVRFInfo(&h.record, "red", dests, hops, ifs, "default"); }
  void Labels() { h.peer.GetLabels(&h.record, labels, vrf, "default"); }

  void AddressRow(const char* address, int ifIndex) {  // as the interface-data retrieval stores it
    if (!addresses) h.medData.DMDAddSnmp("ipAdEntIfIndex.default", addresses = new CKelDoubleList);
    std::vector<unsigned int> instance;
    CKelASN1Address::Parse(address, instance);
    addresses->RDLAddToListEnd(
        new CKelSnmpVarOp("ipAdEntIfIndex", instance, new CKelAtom(ifIndex)));
  }
  void InterfaceRow(const std::string& vrfName, const char* instance, const char* descr, int type) {
    h.device.AddWalkRow("ifDescr", "@default:" + vrfName, instance, descr);
    h.device.AddWalkRow("ifType", "@default:" + vrfName, instance, type);
  }
  Names Entries() {
    Names printed;
    for (auto* entry : Items<CPelkMPLSLabelEntry>(result.LabelEntries()))
      printed.push_back(Converted(*entry));
    return printed;
  }
  CPelkMPLSVRFEntry& Vrf(int position) {
    return *Items<CPelkMPLSVRFEntry>(result.VRFEntries())[position];
  }
  std::string Imposition(int position, int entry) {
    std::unique_ptr<CKelAtom> atom(Vrf(position).GenerateCERecordEntry(entry));
    return atom ? Printed(*atom) : "<none>";
  }

  AgentHarness h;
  CKelDoubleList* addresses = nullptr;
  Index index;
  CPelkMPLSData result;
  Names dests{"earlier"}, hops{"earlier"}, ifs{"earlier"};
  std::string vrf = "red";
  std::map<std::string, std::string> labels{{"9.9.9.9.ip1/0.1", "99"}};
};

const char kMplsInterfaces[] =
    "Interface ATM2/0.1  Up\n  Label space: platform\n"
    "  IP interfaces on this MPLS interface:\n    10.1.1.1/30\n    10.1.1.5/30\n"
    "Interface ATM3/0.2  Down\n  IP interfaces on this MPLS interface:\n    10.1.2.1\n";

TEST(LabelInterfaceIndex, MplsInterfacesFirstThenVrfRowsInOrderAndNothingIsOverwritten) {
  Router r({{kMplsInterface, kMplsInterfaces}});
  r.AddressRow("10.1.1.1", 11);
  r.AddressRow("10.1.2.1", 12);
  r.InterfaceRow("red", "99", "ip2/0.1", kIpInterface);  // ATM2/0.1 again
  r.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  r.InterfaceRow("red", "5", "Loopback 5", 24);          // keyed as the CLI names it
  r.InterfaceRow("red", "0", "ip2/0.11", kIpInterface);  // no ifIndex
  r.InterfaceRow("blue", "31", "ip2/0.10", kIpInterface);
  r.InterfaceRow("blue", "40", "mpls:1", kMplsTunnel);
  EXPECT_EQ(r.BuildIndex({"red", "blue"}), "");
  EXPECT_EQ(
      r.index,
      (Index{
          {"ip2/0.1", 11}, {"ip3/0.2", 12}, {"ip2/0.10", 21}, {"loopback5", 5}, {"mpls:1", 40}}));
}

TEST(LabelInterfaceIndex, MplsInterfacesWithoutAddressRowAreSkippedAtLevelOne) {
  Router r({{kMplsInterface, kMplsInterfaces}});
  r.AddressRow("10.1.2.1", 12);
  EXPECT_EQ(r.BuildIndex({}),
            "::GenerateIfDescrToIfIndexTL() no ifIndex associated with 10.1.1.1\n");
  EXPECT_EQ(r.index, (Index{{"ip3/0.2", 12}}));
  EXPECT_TRUE(r.h.device.Walks().empty());

  Router noTable({{kMplsInterface, kMplsInterfaces}});
  noTable.InterfaceRow("red", "21", "ip2/0.10", kIpInterface);
  EXPECT_EQ(
      noTable.BuildIndex({"red"}),
      "::GenerateIfDescrToIfIndexTL() failure of medData retrieval of ipAdEntIfIndex.default\n");
  EXPECT_EQ(noTable.index, (Index{{"ip2/0.10", 21}}));
}

TEST(DeepCopies, ShareNothingWithTheirSources) {
  auto source = std::make_unique<CPelkUnisphereLabelEntry>(
      17, "17", 11, "ATM2/0.1", 20, "20", 12, "ATM3/0.2", "10.1.1.2", "to-pe2", "default");
  std::unique_ptr<CKelListable> copied(source->RLTargetDeepCopy(source.get()));
  auto& copy = static_cast<CPelkUnisphereLabelEntry&>(*copied);
  const std::string before = Converted(*source);

  copy.AddIfIndexIn(15);
  EXPECT_EQ(Converted(*source), before);  // converting consumes nothing
  source.reset();
  EXPECT_EQ(
      Converted(copy),
      "{m_OutLabel=20,m_OutIfIndex=12,m_OutInterface=ATM3/0.2,m_NextHop=10.1.1.2,m_Status=Active,"
      "m_Role=Primary,m_LspName=to-pe2,m_VRName=default,m_InLabel=17,"
      "m_InInterface=(ATM2/0.1),m_InboundIfIndex=(11,15)}");

  auto vrfSource = std::make_unique<CPelkUnisphereVRFEntry>("red", "100:1", "vr1");
  vrfSource->AddVRFLabelEntry(new CPelkMPLSVRFLabelEntry(
      "16", 16, true, "10.5.0.0/16", 7, "ATM2/0.10", "2.2.2.2", "Active", "Primary", nullptr, -1));
  std::unique_ptr<CKelListable> copiedVrf(vrfSource->RLTargetDeepCopy(vrfSource.get()));
  vrfSource.reset();
  auto* vrfCopy = static_cast<CPelkUnisphereVRFEntry*>(copiedVrf.get());
  EXPECT_EQ(Printed(CKelAtom(vrfCopy->VendorBindings())), "{m_VRName=vr1}");
  EXPECT_EQ(vrfCopy->LabelEntries().RDLLength(), 1);
}

const Index kForwardingIndex{{"ip2/0.1", 11}, {"ip3/0.2", 12}, {"ip2/0.5", 15}, {"mpls:1", 40}};

TEST(LabelForwarding, OnlyDestinationsWithOneInAndOneOutLineWithNeighbourAreKept) {
  Router r({{kForwarding,
             "to-pe2          10.2.2.1/32        In 16 on ATM2/0.1\n"
             "                10.2.2.2/32        In 17 on ATM2/0.1\n"
             "                                   In 18 on ATM2/0.5\n"
             "                10.2.2.3/32        In 19 on ATM2/0.1\n"
             "                                   Out 21 on ATM3/0.2\n"
             "                10.2.2.4/32        In 20 on ATM2/0.1\n"
             "                                   Out 22 on ATM3/0.2 nbr 10.1.1.2\n"
             "                                   Out 23 on ATM2/0.5 nbr 10.1.5.2\n"
             "                10.2.2.5/32        In 24 on ATM2/0.1\n"
             "                                   Out 25 on ATM3/0.2 nbr 10.1.1.2\n"}},
           kForwardingIndex);
  EXPECT_EQ(r.Forwarding(),
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 0, 0, 0)\n"
            "::ObtainLabelData() failed to add label info because "
            "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(6, 2, 8, 2, 8, 0)\n");
  EXPECT_THAT(
      r.Entries(),
      ElementsAre("{m_OutLabel=25,m_OutIfIndex=12,m_OutInterface=ATM3/0.2,m_NextHop=10.1.1.2,"
                  "m_Status=Active,m_Role=Primary,m_LspName=to-pe2,m_VRName=default,"
                  "m_InLabel=24,m_InInterface=(ATM2/0.1),m_InboundIfIndex=(11)}"));
}

// One entry per incoming label of the virtual router, compared as text; a later
// destination with a known label only adds its inbound interface, if known.
TEST(LabelForwarding, LaterRowsWithAKnownIncomingLabelOnlyAddTheirIncomingInterface) {
  Router r({{kForwarding,
             "to-pe2          10.2.2.2/32        In 17 on ATM2/0.1\n"
             "                                   Out 20 on ATM9/0.9 nbr 10.1.1.2\n"
             "                10.2.2.3/32        In 17 on ATM8/0.8\n"
             "                                   Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
             "to-pe3          10.3.3.3/32        In 17 on ATM2/0.5\n"
             "                                   Out 31 on tun mpls:1 nbr 10.9.9.9\n"
             "                10.3.3.4/32        In 17 on ATM8/0.9\n"
             "                                   Out 32 on tun mpls:1 nbr 10.9.9.9\n"
             "                10.3.3.5/32        In 017 on ATM2/0.5\n"
             "                                   Out 33 on tun mpls:1 nbr 10.9.9.9\n"}},
           kForwardingIndex);
  EXPECT_EQ(r.Forwarding(),
            "::ObtainLabelData() failed to add label data because ifIndex for 'ATM9/0.9' "
            "could not be found\n");
  EXPECT_THAT(
      r.Entries(),
      ElementsAre("{m_OutLabel=21,m_OutIfIndex=12,m_OutInterface=ATM3/0.2,m_NextHop=10.1.1.2,"
                  "m_Status=Active,m_Role=Primary,m_LspName=to-pe2,m_VRName=default,"
                  "m_InLabel=17,m_InInterface=(ATM8/0.8),m_InboundIfIndex=(-1,15)}",
                  "{m_OutLabel=33,m_OutIfIndex=40,m_OutInterface=mpls:1,m_NextHop=10.9.9.9,"
                  "m_Status=Active,m_Role=Primary,m_LspName=to-pe3,m_VRName=default,"
                  "m_InLabel=017,m_InInterface=(ATM2/0.5),m_InboundIfIndex=(15)}"));
  EXPECT_EQ(Items<CPelkMPLSLabelEntry>(r.result.LabelEntries())[1]->InLabel(), 17);
}

TEST(GeneralVrfInfo, EveryVrfGetsAnAlignedRowInAllFiveTables) {
  const char reply[] =
      "pe1:default#show ip vrf detail\r\n"
      "VRF red; default RD 100:1\r\n"
      "  Description: customer red\r\n"
      "  Interfaces:\r\n    ATM2/0.10\r\n    GigabitEthernet 4/0\r\n"
      "  Export VPN route-target communities\r\n    RT:100:1\r\n"
      "  Import VPN route-target communities\r\n    RT:100:1  RT:100:2\r\n"
      "VRF blue; default RD <not set>\r\n"
      "  Export VPN route-target communities\r\n    RT:200:1\r\n"
      "VRF green, default RD 300:1;\r\n  Interfaces:\r\n\ttun mpls:1\r\n";
  Names names, rds;
  std::vector<Names> ifs, imports, exports;
  ERXGetGeneralVRFInfo(reply, names, rds, ifs, imports, exports, false);
  EXPECT_THAT(names, ElementsAre("red", "blue", "green"));
  EXPECT_THAT(rds, ElementsAre("100:1", "", "300:1"));
  EXPECT_THAT(ifs, ElementsAre(ElementsAre("ATM2/0.10", "GigabitEthernet 4/0"), IsEmpty(),
                               ElementsAre("tun mpls:1")));
  EXPECT_THAT(exports, ElementsAre(ElementsAre("100:1"), ElementsAre("200:1"), IsEmpty()));
  EXPECT_THAT(imports, ElementsAre(ElementsAre("100:1", "100:2"), IsEmpty(), IsEmpty()));
}

TEST(VrfRoutes, OneRoutePerLineJoiningOnlyTrueContinuations) {
  // A continuation: 20 blanks, 30 characters of other columns, 5 or more blanks.
  const std::string continuation = std::string(50, ' ') + "     .1\n";
  const std::string notContinuation = std::string(19, ' ') + std::string(31, 'x') + "     .2\n";
  Router r({{kRoutes, Route("10.5.0.0/16", "2.2.2.2*", "serial4/1:1/1/1/1/1") + continuation +
                          Route("10.6.0.0", "2.2.2.2", "ATM2/0.11") +
                          Route("10.7.0.0/16", "2.2.2.3", "ATM2/0.12") + notContinuation +
                          Route("10.8.0.0/16", "2.2.2.4", "tun mpls:1")}});
  r.Routes();
  EXPECT_THAT(r.dests, ElementsAre("earlier", "10.5.0.0/16", "10.7.0.0/16", "10.8.0.0/16"));
  EXPECT_THAT(r.hops, ElementsAre("earlier", "2.2.2.2", "2.2.2.3", "2.2.2.4"));
  EXPECT_THAT(r.ifs, ElementsAre("earlier", "serial4/1:1/1/1/1/1.1", "ATM2/0.12", "tun mpls:1"));
}

// A later release prints an index where the stacked label stood: no label.
TEST(VpnLabels, KeyedByNextHopAndInterfaceKeyFirstLabelWinsAndIndexesAreNoLabels) {
  Router r({{kNextHops,
             NextHop("2.2.2.2", "16", "ATM2/0.10 (10.7.7.1)") +
                 NextHop("2.2.2.2", "17", "atm2/0.10 (10.7.7.5)") +
                 NextHop("::ffff:2.2.2.2", "18", "ATM2/0.11 (10.7.8.1)") +
                 "Indirect next-hop 3.3.3.3\n  Resolution in default table of VR default\n"
                 "  MPLS indirect next-hop index 17\n  Reachable (metric 2)\n"
                 "  Direct next-hop ATM2/0.10 (10.7.7.1)\n  Direct next-hop ATM2/0.11 (10.7.7.5)\n"
                 "  Reference count is 3\n"}});
  r.Labels();
  EXPECT_THAT(r.labels, ElementsAre(Pair("2.2.2.2.ip2/0.10", "16"), Pair("2.2.2.2.ip2/0.11", "18"),
                                    Pair("9.9.9.9.ip1/0.1", "99")));
}

const char kDetailCommand[] = "show ip route vrf red 10.1.0.0 detail";

std::string Detail(const std::string& intf) {
  return "10.1.0.0/16\n  Type: Bgp  Distance: 200\n    NHop: 2.2.2.2\n    IfIndx: 23\n" +
         ("    Intf: " + intf) + "\n  Age: 1d\n";
}

struct Resolver {
  int Resolve(const std::string& vrfDescr, const std::string& dest = "10.1.0.0/16") {
    return h.peer.FindVrfIfIndex(&h.record, "red", dest, "2.2.2.2", vrfDescr, index, "default");
  }
  AgentHarness h;
  std::map<std::string, int> index;
};

TEST(VrfResolver, AsksOnlyAboutInterfacesTheIndexDoesNotKnowAndLearnsThem) {
  Resolver r;
  r.index = {{"ip2/0.10", 7}};
  r.h.device.Reply(kDetailCommand, Detail("ATM2/0.12"));
  EXPECT_EQ(r.Resolve("ATM2/0.10"), 7);
  EXPECT_EQ(r.Resolve("ATM2/0.12"), 23);
  EXPECT_EQ(r.Resolve("ATM2/0.12", "10.9.0.0/16"), 23);
  EXPECT_THAT(r.h.device.Sessions(),
              ElementsAre(ElementsAre("virtual-router default", kDetailCommand)));
  EXPECT_THAT(r.index, ElementsAre(Pair("ip2/0.10", 7), Pair("ip2/0.12", 23)));

  // The reported description need only contain the expected one, blanks aside.
  for (const std::string reported : {"ATM 2/0.1", "ATM2/0.10", "ATM2/\n0.1"}) {
    Resolver fresh;
    fresh.h.device.Reply(kDetailCommand, Detail(reported));
    EXPECT_EQ(fresh.Resolve("ATM2/0.1"), 23) << reported;
  }
}

TEST(VrfResolver, DisagreeingOrMissingAnswersAreNeitherUsedNorRemembered) {
  Resolver r;
  r.h.device.Reply(kDetailCommand, Detail("ATM3/0.1"));
  const std::string mismatch =
      "::FindVrfIfIndex() failed to find ifIndex because the description consistancy check has "
      "failed!\n";
  ScopedDebugLevel level(1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(r.Resolve("ATM2/0.1"), -1);
  EXPECT_EQ(r.Resolve("ATM2/0.1"), -1);
  EXPECT_EQ(r.Resolve("ATM2/0.1", "10.1.1.1"), -1);  // no slash: sent whole
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            mismatch + mismatch +
                "::FindVrfIfIndex() no response from device for show ip route vrf red 10.1.1.1 "
                "detail\n");
  EXPECT_EQ(r.h.device.Sessions().size(), 3u);
  EXPECT_THAT(r.index, IsEmpty());
}

const char kRedAndBlue[] =
    "VRF red; default RD 100:1\n"
    "  Interfaces:\n    ATM2/0.10\n    ATM2/0.11\n    ATM2/0.12\n"
    "  Export VPN route-target communities\n    RT:100:1\n"
    "  Import VPN route-target communities\n    RT:100:2  RT:100:3\n"
    "VRF blue; default RD 100:9\n";

// Red's routes through 2.2.2.2 have labels 16 (ATM2/0.10) and 17 (ATM2/0.12, not in the index).
Replies RedReplies(const std::string& vrfDetail,
                   const std::string& nextHops = NextHop("2.2.2.2", "16", "ATM2/0.10 (10.7.7.1)") +
                                                 NextHop("2.2.2.2", "17", "ATM2/0.12 (10.7.8.1)")) {
  return {{"show ip vrf detail", vrfDetail},
          {kNextHops, nextHops},
          {kRoutes, Route("10.5.0.0/16", "2.2.2.2", "ATM2/0.10") +
                        Route("10.6.0.0/16", "2.2.2.9", "ATM2/0.10") +
                        Route("10.7.0.0/16", "2.2.2.2*", "ATM2/0.12")},
          {"show ip route vrf red 10.7.0.0 detail",
           "    NHop: 2.2.2.2\n    IfIndx: 12\n    Intf: ATM2/0.12\n"}};
}

const Index kKnown{{"ip2/0.10", 10}};

TEST(VrfAssembly, LabelledRoutesBecomeImpositionsAndLearntInterfacesAreBound) {
  Router r(RedReplies(kRedAndBlue), kKnown);
  const std::string out = r.Assemble(1);

  ASSERT_EQ(r.result.VRFEntries().RDLLength(), 2);
  CPelkMPLSVRFEntry& red = r.Vrf(0);
  EXPECT_EQ(red.RouteDistinguisher(), "100:1");
  EXPECT_EQ(List(red.ExportRTs()), "(100:1)");
  EXPECT_EQ(List(red.ImportRTs()), "(100:2,100:3)");
  // ATM2/0.12 was learnt from the route detail; ATM2/0.11 is nowhere.
  EXPECT_EQ(List(red.Interfaces()), "(10,12)");
  EXPECT_THAT(r.index, ElementsAre(Pair("ip2/0.10", 10), Pair("ip2/0.12", 12)));

  EXPECT_EQ(red.LabelEntries().RDLLength(), 2);
  EXPECT_EQ(r.Imposition(0, 0),
            "{m_Label=16,m_Destination=10.5.0.0/16,m_IfIndex=10,m_Interface=ATM2/0.10,"
            "m_NextHop=2.2.2.2,m_Status=Active,m_Role=Primary}");
  EXPECT_EQ(r.Imposition(0, 1),
            "{m_Label=17,m_Destination=10.7.0.0/16,m_IfIndex=12,m_Interface=ATM2/0.12,"
            "m_NextHop=2.2.2.2,m_Status=Active,m_Role=Primary}");
  EXPECT_EQ(r.Vrf(1).LabelEntries().RDLLength(), 0);

  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() failed to add data because label for "
                             "'2.2.2.9.ip2/0.10' could not be found\n"));
  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() can not bind interface ATM2/0.11 to red because "
                             "ifIndex can not be found\n"));
  EXPECT_THAT(out, HasSubstr("::ObtainVRFData() no label information for blue found!!\n"));
}

TEST(VrfAssembly, WithoutLabelGatheringEveryRouteIsStillResolved) {
  Router r(RedReplies(kRedAndBlue), kKnown);
  r.h.agent.DMASetGatherLabels(false);
  const std::string out = r.Assemble(1);
  EXPECT_EQ(r.h.device.Sessions().size(), 2u);  // the download and one route detail
  EXPECT_EQ(r.Vrf(0).LabelEntries().RDLLength(), 0);
  EXPECT_EQ(List(r.Vrf(0).Interfaces()), "(10,12)");
  EXPECT_EQ(out.find("failed to add"), std::string::npos);
}

TEST(VrfAssembly, VrfWithoutLabelsReadsNoRoutesButIsStillBound) {
  Router r(
      RedReplies("VRF red; default RD 100:1\n  Interfaces:\n    ATM2/0.10\n    ATM2/0.12\n", ""),
      kKnown);
  r.Assemble(1);
  EXPECT_EQ(r.h.device.Sessions().size(), 1u);  // the download, no route detail
  EXPECT_EQ(List(r.Vrf(0).Interfaces()), "(10)");
}

TEST(VrfAssembly, RefusedDuplicateIsDroppedAndTheNextVrfStillAssembled) {
  Router r(RedReplies(std::string("VRF red; default RD 100:1\n") + kRedAndBlue), kKnown);
  const std::string out = r.Assemble(3);
  ASSERT_EQ(r.result.VRFEntries().RDLLength(), 2);
  EXPECT_EQ(r.Vrf(0).RouteDistinguisher(), "100:1");
  EXPECT_EQ(List(r.Vrf(0).Interfaces()), "()");  // the first block had none
  EXPECT_EQ(r.Vrf(1).Name(), "blue");
  // The refused copy reads nothing.
  EXPECT_EQ(out.find("GetLabels(,,red,default)"), out.rfind("GetLabels(,,red,default)"));
}

}  // namespace
