// A captured device folder answering the requester as a live router would.
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KelSnmp.h"
#include "ReplayTransport.h"
#include "support/AgentHarness.h"
#include "support/CaptureFolder.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const char kCliLog[] =
    "pe1#show ip vrf\n"
    "red\n"
    "pe1#virtual-router vr2\n"
    "pe1:vr2#show ip vrf\n"
    "green\n"
    "pe1:vr2#exit\n";

// The texts of a reply vector; "<none>" for an atom without text.
std::vector<std::string> Texts(CKelAtomVector* replies) {
  std::unique_ptr<CKelAtomVector> owned(replies);
  std::vector<std::string> texts;
  for (int i = 0; replies && i < replies->RAVSize(); ++i) {
    const char* text = replies->RAVGetValue(i)->RAString();
    texts.push_back(text ? text : "<none>");
  }
  return texts;
}

TEST(ReplayDevice, MissingFolderOrCliLogCannotBeLoaded) {
  ReplayTransport device;
  std::string problem;
  EXPECT_FALSE(device.Load("/nonexistent/pe9", problem));
  EXPECT_EQ(problem, "no captured device at /nonexistent/pe9: no such folder");

  CaptureFolder capture;
  capture.Write("snmp.walk", "");
  EXPECT_FALSE(device.Load(capture.Path(), problem));
  EXPECT_EQ(problem, "no captured device at " + capture.Path() + ": the folder has no cli.log");
}

TEST(ReplayDevice, SessionsStartInDefaultAndFollowVirtualRouterSwitches) {
  CaptureFolder capture;
  capture.Write("cli.log", kCliLog);
  ReplayTransport device;
  std::string problem;
  ASSERT_TRUE(device.Load(capture.Path(), problem)) << problem;
  EXPECT_EQ(device.DeviceName(), "pe1");

  EXPECT_THAT(Texts(device.RunCommands(nullptr, {"show ip vrf", "virtual-router vr2", "show ip vrf",
                                                 "show mpls interface", "virtual-router vr9",
                                                 "show ip vrf"})),
              ElementsAre("red\n", "", "green\n", "<none>", "<none>", "<none>"));
  EXPECT_THAT(Texts(device.RunCommands(nullptr, {"show ip vrf"})), ElementsAre("red\n"));
}

TEST(ReplayDevice, WalksComeFromTheContextsFile) {
  CaptureFolder capture;
  capture.Write("cli.log", kCliLog);
  capture.Write("snmp.walk", ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ATM2/0\"\n");
  capture.Write("snmp/vr2:green.walk",
                ".1.3.6.1.2.1.2.2.1.2.52 = STRING: \"ip7/0.30\"\n"
                ".1.3.6.1.2.1.4.20.1.2.172.16.30.1 = INTEGER: 52\n");
  ReplayTransport device;
  std::string problem;
  ASSERT_TRUE(device.Load(capture.Path(), problem)) << problem;

  std::unique_ptr<CKelDoubleList> own(device.Walk(nullptr, "ifDescr", ""));
  ASSERT_NE(own, nullptr);
  EXPECT_STREQ(static_cast<CKelSnmpVarOp*>(own->RDLHead())->RSVOValue()->RAString(), "ATM2/0");

  std::unique_ptr<CKelDoubleList> addresses(device.Walk(nullptr, "ipAdEntIfIndex", "@vr2:green"));
  ASSERT_NE(addresses, nullptr);
  auto* row = static_cast<CKelSnmpVarOp*>(addresses->RDLHead());
  EXPECT_STREQ(row->RSVOVariable(), "ipAdEntIfIndex");
  EXPECT_STREQ(row->RSVOASN1()->RAAAsString(), "172.16.30.1");
  EXPECT_EQ(row->RSVOValue()->RAKind(), CKelAtom::kInt);
  EXPECT_EQ(row->RSVOValue()->RAInt(), 52);

  EXPECT_EQ(device.Walk(nullptr, "ifType", "@vr2:green"), nullptr);
  EXPECT_EQ(device.Walk(nullptr, "ifDescr", "@vr2"), nullptr);
}

TEST(ReplayDevice, WithoutPromptsTheFolderNamesTheDevice) {
  CaptureFolder capture;
  capture.Write("pe7/cli.log", "");
  ReplayTransport device;
  std::string problem;
  ASSERT_TRUE(device.Load(capture.Path() + "/pe7/", problem));
  EXPECT_EQ(device.DeviceName(), "pe7");
  EXPECT_THAT(device.Warnings(), ElementsAre(HasSubstr("no prompt line")));
}

TEST(ReplayDevice, RepliesTheCaptureLacksReachTheAgentAsNoResponse) {
  CaptureFolder capture;
  capture.Write("cli.log",
                "pe1#show mpls interface\n"
                "Interface ATM2/0.1  Up\n"
                "  IP interfaces on this MPLS interface:\n"
                "    10.1.1.1/30\n"
                "pe1#exit\n");
  ReplayTransport device;
  std::string problem;
  ASSERT_TRUE(device.Load(capture.Path(), problem));
  AgentHarness h;
  h.agent.DAGetRequester()->DSRSetTransport(&device);
  h.SetVirtualRouters({"default"}, {{}});
  h.Download();

  std::string reply;
  EXPECT_TRUE(h.peer.RetrieveTelnetData(&h.medData, "default", nullptr, "show mpls interface", reply));
  EXPECT_FALSE(h.peer.RetrieveTelnetData(&h.medData, "default", nullptr,
                                         "show mpls forwarding brief", reply));
  EXPECT_THAT(h.Errors(), IsEmpty());

  ScopedDebugLevel level(1);
  testing::internal::CaptureStdout();
  CPelkMPLSData result;
  std::map<std::string, int> index;
  h.peer.ObtainLabelData(&h.record, &result, index, "default");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "::ObtainLabelData() no response to telnet command show mpls forwarding brief\n");
}

}  // namespace
