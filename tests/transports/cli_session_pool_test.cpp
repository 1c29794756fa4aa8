// The pool of CLI sessions against routers in memory: what each command came
// to, what the health counts, and how a long request is shared out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/transports/FakeRouterStream.h"
#include "transports/CliSessionPool.h"

namespace {

using namespace testing;

std::shared_ptr<FakeRouter> Router() {
  auto router = std::make_shared<FakeRouter>();
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) {
    router->replies[std::string("show ") + name] = std::string("reply ") + name + "\r\n";
  }
  return router;
}

// A pool of `sessions` sessions to `router`, logged in; 200 ms a command.
std::unique_ptr<CliSessionPool> Pool(const std::shared_ptr<FakeRouter>& router, int sessions = 1) {
  auto pool = std::make_unique<CliSessionPool>(std::make_unique<FakeRouterStream>(router),
                                               CliLogin{"", "pw", "en"}, 200, true);
  std::vector<std::unique_ptr<ByteStream>> more;
  for (int i = 1; i < sessions; ++i) more.push_back(std::make_unique<FakeRouterStream>(router));
  pool->AddSessions(std::move(more));
  const ConnectStatus opened = pool->Open();
  EXPECT_TRUE(opened.ok()) << opened.message();
  return pool;
}

// The replies' texts, "-" where none came.
std::vector<std::string> Texts(const std::vector<std::unique_ptr<CKelAtom>>& replies) {
  std::vector<std::string> texts;
  texts.reserve(replies.size());
  for (const auto& reply : replies) texts.push_back(reply->RAString() ? reply->RAString() : "-");
  return texts;
}

// The lines that each connection read, without the login's terminal settings.
std::vector<std::vector<std::string>> SeenByEach(const std::shared_ptr<FakeRouter>& router) {
  std::vector<std::vector<std::string>> each;
  for (int number = 1; number <= router->Connections(); ++number)
    each.push_back(router->SeenOn(number));
  return each;
}

TEST(CliSessionPool, RepliesRefusalsAndTheRecordingOfOneSession) {
  auto router = Router();
  auto pool = Pool(router);
  std::vector<std::string> recorded;
  pool->OnAnswered(
      [&](const CliExchange& said) { recorded.push_back(said.prompt + said.command); });
  const auto replies = pool->Run({"show a", "virtual-router vr1", "show nothing", "show b"});
  EXPECT_THAT(Texts(replies), ElementsAre("reply a\n", "", "-", "reply b\n"));
  EXPECT_THAT(recorded, ElementsAre("pe1#show a", "pe1#virtual-router vr1", "pe1:vr1#show b"));
  // The next request starts in the default virtual router again.
  EXPECT_THAT(Texts(pool->Run({"show c"})), ElementsAre("reply c\n"));
  EXPECT_THAT(router->SeenOn(1), ElementsAre("show a", "virtual-router vr1", "show nothing",
                                             "show b", "virtual-router default", "show c"));
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.sent, 5);
  EXPECT_EQ(tally.cli.answered, 4);
  EXPECT_EQ(tally.cli.refused, 1);
  EXPECT_EQ(pool->CollectTally().cli.sent, 0);  // counted once
}

TEST(CliSessionPool, ADropResumesTheCommandInItsVirtualRouterAndTwoDropsCutItOff) {
  auto router = Router();
  router->dropOn = {"show b", "show d"};
  router->dropsLeft = 3;  // "show b" twice, "show d" once
  auto pool = Pool(router);
  const auto replies =
      pool->Run({"virtual-router vr2", "show a", "show b", "show c", "show d", "show e"});
  EXPECT_THAT(Texts(replies),
              ElementsAre("", "reply a\n", "-", "reply c\n", "reply d\n", "reply e\n"));
  // Each new connection goes back to where the last one stood.
  EXPECT_THAT(router->SeenOn(2), ElementsAre("virtual-router vr2", "show b"));
  EXPECT_THAT(router->SeenOn(3), ElementsAre("virtual-router vr2", "show c", "show d"));
  EXPECT_THAT(router->SeenOn(4), ElementsAre("virtual-router vr2", "show d", "show e"));
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.reconnections, 3);
  EXPECT_EQ(tally.cli.cutOff, 1);
  EXPECT_EQ(tally.cli.first.cutOff, "show b");
}

TEST(CliSessionPool, ARouterThatKeepsHangingUpSpendsTheBudgetAndTheRestIsNotSent) {
  auto router = Router();
  router->dropOn = {"show a", "show b", "show c", "show d"};
  auto pool = Pool(router);
  const auto replies = pool->Run({"show a", "show b", "show c", "show d", "show e"});
  EXPECT_THAT(Texts(replies), ElementsAre("-", "-", "-", "-", "-"));
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.reconnections, 6);
  EXPECT_EQ(tally.cli.cutOff, 3);
  EXPECT_EQ(tally.cli.notSent, 2);
  EXPECT_EQ(tally.whyNotSent, "the connection dropped 6 times, the most one device may cost");
  EXPECT_EQ(router->Connections(), 7);
}

TEST(CliSessionPool, StallsLoseTheirReplyAndThreeInARowStopTheDevice) {
  auto router = Router();
  router->hangOn = {"show b", "show d", "show e", "show f"};
  auto pool = Pool(router);
  const auto replies =
      pool->Run({"show a", "show b", "show c", "show d", "show e", "show f", "show g"});
  EXPECT_THAT(Texts(replies), ElementsAre("reply a\n", "-", "reply c\n", "-", "-", "-", "-"));
  EXPECT_TRUE(pool->GivenUp());
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.timedOut, 4);
  EXPECT_EQ(tally.cli.first.timedOut, "show b");
  EXPECT_EQ(tally.cli.notSent, 1);
  EXPECT_EQ(tally.whyNotSent, "3 commands in a row got no reply within 0 s");
  // A timeout is no drop: the budget of reconnections is not spent on it.
  EXPECT_EQ(tally.cli.reconnections, 3);
  EXPECT_THAT(Texts(pool->Run({"show a"})), ElementsAre("-"));
  EXPECT_EQ(pool->CollectTally().cli.notSent, 1);
}

TEST(CliSessionPool, AnotherHostKeyOnReconnectionStopsEverything) {
  auto router = Router();
  router->dropOn = {"show b"};
  router->newKeyFromConnection = 2;
  auto pool = Pool(router);
  const auto replies = pool->Run({"show a", "show b", "show c"});
  EXPECT_THAT(Texts(replies), ElementsAre("reply a\n", "-", "-"));
  EXPECT_EQ(pool->Distrust(), "fake:23 shows another host key");
  EXPECT_THAT(pool->CollectTally().whyNotSent, HasSubstr("logging in again failed"));
  EXPECT_EQ(router->Connections(), 2);
}

TEST(CliSessionPool, ALongRequestIsSharedOutAndComesBackInItsOrder) {
  auto router = Router();
  auto pool = Pool(router, 3);
  std::vector<std::string> recorded;
  pool->OnAnswered(
      [&](const CliExchange& said) { recorded.push_back(said.prompt + said.command); });
  // Blanks around a virtual router's name are the router's to ignore: the
  // second part still starts in vr2.
  const std::vector<std::string> request = {
      "show a", "show b", "virtual-router  vr2 ", "show c", "show d", "show e",
      "show f", "show g", "virtual-router vr3",   "show h", "show a", "show b"};
  const auto replies = pool->Run(request);
  EXPECT_THAT(Texts(replies),
              ElementsAre("reply a\n", "reply b\n", "", "reply c\n", "reply d\n", "reply e\n",
                          "reply f\n", "reply g\n", "", "reply h\n", "reply a\n", "reply b\n"));
  EXPECT_EQ(recorded.size(), 14u);  // with the switches each part makes for itself
  EXPECT_EQ(recorded[4], "pe1#virtual-router vr2");
  EXPECT_EQ(recorded[5], "pe1:vr2#show d");
  EXPECT_EQ(recorded.back(), "pe1:vr3#show b");
  EXPECT_THAT(
      SeenByEach(router),
      UnorderedElementsAre(
          ElementsAre("show a", "show b", "virtual-router  vr2 ", "show c"),
          ElementsAre("virtual-router vr2", "show d", "show e", "show f", "show g"),
          ElementsAre("virtual-router vr2", "virtual-router vr3", "show h", "show a", "show b")));
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.sent, 12);
  EXPECT_EQ(tally.cli.answered, 12);
  // A short request stays on the first session.
  pool->Run({"show a", "show b"});
  EXPECT_THAT(router->SeenOn(1), Contains("show b").Times(2));
}

TEST(CliSessionPool, ASecondSessionThatGivesUpHalfWayLeavesItsPartToTheFirst) {
  auto router = Router();
  // The second session (connection 2) logs in when the request comes, then
  // hangs three times in a row, on new connections each time.
  router->hangOn = {"show e", "show f", "show g"};
  router->hangFromConnection = 2;
  auto pool = Pool(router, 2);
  std::vector<std::string> recorded;
  pool->OnAnswered([&](const CliExchange& said) { recorded.push_back(said.command); });
  const std::vector<std::string> request = {"show a", "show b", "show c", "show d",
                                            "show e", "show f", "show g", "show h"};
  const auto replies = pool->Run(request);
  EXPECT_THAT(Texts(replies), ElementsAre("reply a\n", "reply b\n", "reply c\n", "reply d\n",
                                          "reply e\n", "reply f\n", "reply g\n", "reply h\n"));
  EXPECT_THAT(recorded, ElementsAreArray(request));
  EXPECT_THAT(router->SeenOn(1), ElementsAreArray(request));
  // What the second session did is not counted: its part was done again.
  const TransportHealth tally = pool->CollectTally();
  EXPECT_EQ(tally.cli.sent, 8);
  EXPECT_EQ(tally.cli.timedOut, 0);
  EXPECT_EQ(tally.whyNotSent, "");
  // The second session is not used again.
  const int connections = router->Connections();
  pool->Run(request);
  EXPECT_EQ(router->Connections(), connections);
}

}  // namespace
