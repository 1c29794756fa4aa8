// Cutting a captured Telnet session into the replies a live session gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CliCapture.h"

using testing::ElementsAre;
using testing::IsNull;
using testing::Pointee;

namespace {

TEST(CliLog, PromptsNameTheVirtualRouterAndVrfContext) {
  const CliCapture capture = ParseCliLog(
      "Welcome to the lab router\n"
      "pe1>enable\n"
      "pe1#show ip vrf\n"
      "default's vrfs\n"
      "pe1#virtual-router vr2\n"
      "pe1:vr2#show ip vrf\n"
      "vr2's vrfs\n"
      "pe1:vr2:red(config)#show   ip   vrf  \n"
      "inside red\n"
      "pe1:default>show clock\n"
      "12:00\n"
      "pe1#\n");
  EXPECT_EQ(capture.host, "pe1");
  EXPECT_THAT(capture.contexts, ElementsAre("default", "vr2", "vr2:red"));
  EXPECT_THAT(capture.Reply("default", "show ip vrf"), Pointee(std::string("default's vrfs\n")));
  EXPECT_THAT(capture.Reply("vr2", "show ip vrf"), Pointee(std::string("vr2's vrfs\n")));
  EXPECT_THAT(capture.Reply("vr2:red", "show ip vrf"), Pointee(std::string("inside red\n")));
  EXPECT_THAT(capture.Reply("default", "show clock"), Pointee(std::string("12:00\n")));
  EXPECT_THAT(capture.Reply("default", "enable"), Pointee(std::string("")));
  EXPECT_THAT(capture.Reply("vr2", "show clock"), IsNull());
}

TEST(CliLog, OutputKeepsItsBytesButLosesCarriageReturns) {
  const CliCapture capture = ParseCliLog(
      "pe1#show mpls interface\r\n"
      "Interface ATM2/0.1  Up  \r\n"
      "\r\n"
      "\tIP interfaces on this MPLS interface:\r\n"
      "pe1#exit\r\n");
  EXPECT_THAT(capture.Reply("default", "show mpls interface"),
              Pointee(std::string("Interface ATM2/0.1  Up  \n\n\tIP interfaces on this MPLS interface:\n")));
}

TEST(CliLog, PagingMarksVanishWithWhatErasedThem) {
  const std::string backspaces(10, '\b');
  const CliCapture capture = ParseCliLog(
      "pe1#show mpls forwarding brief\n"
      "to-pe2          2.2.2.2/32         In 17 on ATM2/0.1\n"
      " --More-- " + backspaces + std::string(10, ' ') + backspaces +
      "                                   Out 20 on ATM3/0.2\n"
      "--More--\r        \r                10.2.2.0/24        In 18 on ATM2/0.1\n"
      " --More--\n"
      "                                   Out 21 on ATM3/0.2\n"
      "pe1#exit\n");
  EXPECT_THAT(capture.Reply("default", "show mpls forwarding brief"),
              Pointee(std::string("to-pe2          2.2.2.2/32         In 17 on ATM2/0.1\n"
                                  "                                   Out 20 on ATM3/0.2\n"
                                  "                10.2.2.0/24        In 18 on ATM2/0.1\n"
                                  "                                   Out 21 on ATM3/0.2\n")));
}

TEST(CliLog, OnlyTheFirstPromptsHostMakesAPrompt) {
  const CliCapture capture = ParseCliLog(
      "pe1#show running-config\n"
      "pe2#this line is output\n"
      "pe1x#so is this\n"
      "pe1#exit\n");
  EXPECT_THAT(capture.Reply("default", "show running-config"),
              Pointee(std::string("pe2#this line is output\npe1x#so is this\n")));
}

TEST(CliLog, TruncatedLogKeepsTheLastOutputToTheEnd) {
  const CliCapture capture = ParseCliLog(
      "pe1#show ip route vrf red\n"
      "10.5.0.0/16         Bgp     2.2.2.2         200/0      ATM2/0.1\n"
      "10.6.0.0/16         Bgp");
  EXPECT_THAT(capture.Reply("default", "show ip route vrf red"),
              Pointee(std::string("10.5.0.0/16         Bgp     2.2.2.2         200/0      ATM2/0.1\n"
                                  "10.6.0.0/16         Bgp")));
}

TEST(CliLog, SameCommandPerVirtualRouterAndFirstCaptureWithinOne) {
  const CliCapture capture = ParseCliLog(
      "pe1#show mpls interface\n"
      "first\n"
      "pe1:vr2#show mpls interface\n"
      "of vr2\n"
      "pe1#show mpls interface\n"
      "second\n");
  EXPECT_THAT(capture.Reply("default", "show mpls interface"), Pointee(std::string("first\n")));
  EXPECT_THAT(capture.Reply("vr2", "show mpls interface"), Pointee(std::string("of vr2\n")));
}

}  // namespace
