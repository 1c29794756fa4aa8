// The live transport on a router in memory: the capture it records and the
// health it tallies, whichever session of the pool a command ran on, and
// the SNMP contexts the CLI named, guessed ahead.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/transports/FakeRouterStream.h"
#include "transports/ContextForecast.h"
#include "transports/LiveTransport.h"

namespace {

using namespace testing;

std::unique_ptr<LiveTransport> Transport(const std::shared_ptr<FakeRouter>& router, int sessions) {
  LiveTransport::Cli cli;
  cli.timeoutMs = 200;
  auto transport = std::make_unique<LiveTransport>(std::make_unique<FakeRouterStream>(router), cli,
                                                   SnmpSettings());
  std::vector<std::unique_ptr<ByteStream>> more;
  for (int i = 1; i < sessions; ++i) more.push_back(std::make_unique<FakeRouterStream>(router));
  transport->AddCliSessions(std::move(more));
  const ConnectStatus opened = transport->Open();
  EXPECT_TRUE(opened.ok()) << opened.message();
  return transport;
}

std::vector<std::string> Request() {
  std::vector<std::string> commands;
  for (const char* vr : {"vr1", "vr2", "vr3"}) {
    commands.push_back(std::string("virtual-router ") + vr);
    commands.push_back("show ip vrf");
    commands.push_back("show nothing");
    commands.push_back("show mpls");
  }
  return commands;
}

// The cli.log and health of one request over `sessions` sessions.
std::pair<std::string, TransportHealth> Recorded(int sessions) {
  auto router = std::make_shared<FakeRouter>();
  router->replies["show ip vrf"] = "Name   Default RD\r\nred    100:1\r\n";
  router->replies["show mpls"] = "label 16\r\n";
  auto transport = Transport(router, sessions);
  CaptureRecorder recorder;
  transport->Record(&recorder);
  CKelRecord device;
  delete transport->RunCommands(&device, Request());
  transport->Close();
  TempFolder folder;
  const Status saved = recorder.Save(folder.Path());
  EXPECT_TRUE(saved.ok()) << saved.message();
  return {folder.Read("cli.log"), transport->Health()};
}

TEST(LiveTransport, OneSessionOrThreeRecordAndCountTheSame) {
  const auto [oneLog, one] = Recorded(1);
  const auto [threeLog, three] = Recorded(3);
  EXPECT_THAT(oneLog, StartsWith("pe1#virtual-router vr1\n"));
  EXPECT_THAT(oneLog, HasSubstr("pe1:vr3#show mpls\nlabel 16\npe1:vr3#"));
  // Each part's own switch adds a line; the rest is in the request's order.
  EXPECT_THAT(threeLog,
              HasSubstr("pe1:vr2#show ip vrf\nName   Default RD\nred    100:1\npe1:vr2#show mpls"));
  for (const TransportHealth* health : {&one, &three}) {
    EXPECT_EQ(health->cli.sent, 12);
    EXPECT_EQ(health->cli.answered, 9);
    EXPECT_EQ(health->cli.refused, 3);
    EXPECT_EQ(health->cli.source, "fake:23");
  }
}

TEST(LiveTransport, PastTheDeadlineNothingIsSentNorWalkedAndTheHealthSaysWhy) {
  auto router = std::make_shared<FakeRouter>();
  auto transport = Transport(router, 1);
  transport->SetDeadline(std::chrono::steady_clock::now(), 7);
  CKelRecord device;
  CKelAtomVector* replies = transport->RunCommands(&device, {"show a", "show b"});
  ASSERT_EQ(replies->RAVSize(), 2);
  EXPECT_EQ(replies->RAVGetValue(0)->RAString(), nullptr);
  delete replies;
  EXPECT_EQ(transport->Walk(&device, "ifDescr", "@vr1"), nullptr);
  const TransportHealth& health = transport->Health();
  EXPECT_EQ(health.cli.notSent, 2);
  EXPECT_EQ(health.snmp.walksNotAsked, 1);
  EXPECT_EQ(health.whyNotSent, "the device's deadline of 7 s passed");
  EXPECT_THAT(router->Seen(), Each(HasSubstr("terminal")));  // only the login's settings
}

TEST(ContextForecast, NamesContextsInOrderAndGuessesOnlyTheSameKind) {
  ContextForecast forecast;
  forecast.StartRequest();
  forecast.NoteAnswer("show virtual-router",
                      "Virtual Router   Router ID\n--------------   ---------\ndefault  10.0.0.1\n"
                      "vr1   10.0.0.2\nvr2   10.0.0.3\n");
  forecast.NoteAnswer("virtual-router  vr1", "");
  forecast.NoteAnswer("show ip vrf",
                      "Name   Default RD\nred    100:1\n          ATM2/0.1\nblue   100:2\n");
  forecast.NoteAnswer("show ip route vrf green summary", "...");
  forecast.StartRequest();
  forecast.NoteAnswer("show ip vrf", "Name   Default RD\nlab    100:9\n");
  EXPECT_THAT(forecast.After("@default", 16), ElementsAre("@vr1", "@vr2"));
  EXPECT_THAT(forecast.After("@vr1", 16), ElementsAre("@vr2"));
  EXPECT_THAT(forecast.After("@vr1:red", 16),
              ElementsAre("@vr1:blue", "@vr1:green", "@default:lab"));
  EXPECT_THAT(forecast.After("@vr1:red", 1), ElementsAre("@vr1:blue"));
  EXPECT_THAT(forecast.After("@vr9", 16), IsEmpty());
  EXPECT_EQ(KindOfContext(""), ContextKind::kDevice);
}

}  // namespace
