// Captures read back: a Telnet log, snmpwalk output, and a captured device
// replayed as the router it was.
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "captures/CliCapture.h"
#include "captures/SnmpWalkFile.h"
#include "tests/support/TempFolder.h"
#include "transports/ReplayTransport.h"

using namespace testing;

namespace {

TEST(CliLog, PromptsNameTheContextAndOnlyTheFirstHostMakesOne) {
  const CliCapture capture = ParseCliLog(
      "Welcome to the lab router\n"
      "pe1>enable\n"
      "pe1#show ip vrf\ndefault's vrfs\npe2#output, as is\npe1x#this\n"
      "pe1#virtual-router vr2\n"
      "pe1:vr2#show ip vrf\nvr2's vrfs\n"
      "pe1:vr2:red(config)#show   ip   vrf  \ninside red\n"
      "pe1:default>show clock\n12:00\n"
      "pe1:vr2#show ip vrf\nnot the first capture\n"
      "pe1#show ip route vrf red\n10.5.0.0/16  Bgp  2.2.2.2\n10.6.0.0/16  Bgp");
  EXPECT_EQ(capture.host, "pe1");
  EXPECT_THAT(capture.contexts, ElementsAre("default", "vr2", "vr2:red"));
  EXPECT_THAT(capture.Reply("default", "show ip vrf"),
              Pointee(std::string("default's vrfs\npe2#output, as is\npe1x#this\n")));
  EXPECT_THAT(capture.Reply("vr2", "show ip vrf"), Pointee(std::string("vr2's vrfs\n")));
  EXPECT_THAT(capture.Reply("vr2:red", "show ip vrf"), Pointee(std::string("inside red\n")));
  EXPECT_THAT(capture.Reply("default", "show clock"), Pointee(std::string("12:00\n")));
  EXPECT_THAT(capture.Reply("vr2", "show clock"), IsNull());
  EXPECT_THAT(capture.Reply("default", "show ip route vrf red"),
              Pointee(std::string("10.5.0.0/16  Bgp  2.2.2.2\n10.6.0.0/16  Bgp")));
  // Without a command nothing is captured, and the device fails rather than looking empty.
  for (const char* log : {"", "Welcome\n", "pe9#\n"}) {
    EXPECT_THAT(ParseCliLog(log).replies, IsEmpty()) << log;
  }
}

TEST(CliLog, OutputKeepsItsBytesButLosesCarriageReturnsAndPagingMarks) {
  const std::string erase = std::string(10, '\b') + std::string(10, ' ') + std::string(10, '\b');
  const CliCapture capture = ParseCliLog(
      "pe1#show mpls forwarding brief\r\n"
      "to-pe2   2.2.2.2/32   In 17  \r\n"
      " --More-- " +
      erase +
      "         Out 20\r\n"
      "--More--\r        \r         10.2.2.0/24   In 18\r\n"
      " --More--\r\n"
      "\r\n\tOut 21\r\n"
      "pe1#exit\r\n");
  EXPECT_THAT(capture.Reply("default", "show mpls forwarding brief"),
              Pointee(std::string("to-pe2   2.2.2.2/32   In 17  \n         Out 20\n"
                                  "         10.2.2.0/24   In 18\n\n\tOut 21\n")));
}

TEST(SnmpWalk, ColumnsByNumberOrNameAndValueForms) {
  std::vector<std::string> warnings;
  WalkColumns columns = ParseSnmpWalk(
      ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"tun \\\"mpls\\\":1\"\n"
      ".1.3.6.1.2.1.2.2.1.10.7 = Counter32: 1234\n"
      "IF-MIB::ifDescr.8 = \"\"\n"
      "SNMPv2-SMI::mib-2.2.2.1.7.7 = INTEGER: down(2)\n"
      "RFC1213-MIB::ipAdEntIfIndex.10.1.1.2 = INTEGER: 8\n"
      ".1.3.6.1.2.1.2.2.1.6.1 = Hex-STRING: 00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 \n12 "
      "03 \n",
      "vr1.walk", warnings);
  EXPECT_EQ(columns.size(), 4u) << "ifInOctets is not a column the host asks for";
  EXPECT_THAT(columns["ifDescr"],
              ElementsAre(Field(&WalkRow::text, "tun \"mpls\":1"), Field(&WalkRow::text, "")));
  EXPECT_TRUE(columns["ifAdminStatus"][0].isInt);
  EXPECT_EQ(columns["ifAdminStatus"][0].intValue, 2);
  EXPECT_THAT(columns["ipAdEntIfIndex"][0].instance, ElementsAre(10u, 1u, 1u, 2u));
  EXPECT_EQ(columns["ifPhysAddress"][0].text,
            "00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 12 03");
}

TEST(SnmpWalk, UnreadableLinesAreNamedByFileAndLineAndOnlyTheyAreLost) {
  std::vector<std::string> warnings;
  WalkColumns columns = ParseSnmpWalk(
      ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n"
      "garbage in the capture\n"
      ".1.3.6.1.2.1.2.2.1.7.1 = INTEGER: sideways\n"
      ".1.3.x.1 = INTEGER: 1\n"
      ".1.3.6.1.2.1.2.2.1.2 = No Such Object available on this agent at this OID\n"
      ".1.3.6.1.2.1.4.20.1.2 = No Such Instance currently exists at this OID\n"
      ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"ATM3/0\"\n"
      ".1.3.6.1.2.1.2.2.1.2.4 = STRING: \"cut short\n",
      "vr1.walk", warnings);
  ASSERT_THAT(warnings, SizeIs(4));
  EXPECT_EQ(warnings[0],
            "vr1.walk:2: not a walk line (\"OID = TYPE: value\"): garbage in the capture");
  EXPECT_THAT(warnings[1], StartsWith("vr1.walk:3: INTEGER value is not a number"));
  EXPECT_THAT(warnings[2], StartsWith("vr1.walk:4: cannot read the object identifier"));
  EXPECT_THAT(warnings[3], StartsWith("vr1.walk:8: quoted string never ends"));
  EXPECT_EQ(columns.size(), 1u);
  ASSERT_THAT(columns["ifDescr"], SizeIs(2));
  EXPECT_EQ(columns["ifDescr"][1].text, "ATM3/0");
}

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

TEST(ReplayDevice, SessionsStartInDefaultAndFollowVirtualRouterSwitches) {
  TempFolder capture;
  capture.Write("cli.log",
                "pe1#show ip vrf\nred\npe1#virtual-router vr2\npe1:vr2#show ip vrf\ngreen\n");
  capture.Write("snmp.walk", ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ATM2/0.1\"\n");
  ReplayTransport device;
  const Status loaded = device.Load(capture.Path());
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_THAT(Texts(device.RunCommands(
                  nullptr, {"show ip vrf", "virtual-router vr2", "show ip vrf",
                            "show mpls interface", "virtual-router vr9", "show ip vrf"})),
              ElementsAre("red\n", "", "green\n", "<none>", "<none>", "<none>"));
  EXPECT_THAT(Texts(device.RunCommands(nullptr, {"show ip vrf"})), ElementsAre("red\n"));

  // A large capture's replies are dropped once discovery has run its
  // commands: a command asked afterwards is refused, and the walks still answer.
  const CliTally before = device.Health().cli;
  device.ForgetReplies();
  EXPECT_THAT(Texts(device.RunCommands(nullptr, {"show ip vrf"})), ElementsAre("<none>"));
  EXPECT_EQ(device.Health().cli.answered, before.answered);
  EXPECT_EQ(device.Health().cli.refused, before.refused + 1);
  std::unique_ptr<CKelDoubleList> walk(device.Walk(nullptr, "ifDescr", ""));
  ASSERT_NE(walk, nullptr);
  EXPECT_EQ(walk->RDLLength(), 1);
}

}  // namespace
