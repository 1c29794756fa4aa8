// Commands typed ahead of their replies (CliChannel's type-ahead), against
// routers in memory: replies matched to their commands, a router that loses
// what was typed, and a connection lost in the middle of a batch.
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
  for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
    // Replies of several lines, one of them naming the host as a prompt does.
    router->replies[std::string("show ") + name] =
        std::string("reply ") + name + "\r\npe1 uptime 3d\r\n\r\nend " + name + "\r\n";
  }
  return router;
}

struct Outcome {
  std::vector<std::string> replies;   // "-" where none came
  std::vector<std::string> recorded;  // prompt and command of each answered one
  TransportHealth tally;
};

// Runs each request in turn on a fresh pool to `router`, `depth` commands typed ahead.
Outcome RunAll(const std::shared_ptr<FakeRouter>& router, size_t depth,
               const std::vector<std::vector<std::string>>& requests, int timeoutMs = 2000) {
  CliSessionPool pool(std::make_unique<FakeRouterStream>(router), CliLogin{"", "pw", "en"},
                      timeoutMs, true);
  pool.TypeAhead(depth);
  const ConnectStatus opened = pool.Open();
  EXPECT_TRUE(opened.ok()) << opened.message();
  Outcome outcome;
  pool.OnAnswered([&](const CliExchange& said) {
    outcome.recorded.push_back(said.prompt + said.command + "\n" + said.reply);
  });
  for (const auto& request : requests) {
    for (const auto& reply : pool.Run(request)) {
      outcome.replies.push_back(reply->RAString() ? reply->RAString() : "-");
    }
  }
  outcome.tally = pool.CollectTally();
  return outcome;
}

const std::vector<std::vector<std::string>> kRequests = {
    {"show a", "virtual-router vr2", "show b", "show nothing", "show c", "virtual-router vr3",
     "show d", "show e"},
    {"show f"},
    {"virtual-router vr2", "show a", "show b"}};

TEST(CliTypeAhead, RepliesAndRecordingAreThoseOfOneCommandAtATime) {
  auto oneRouter = Router();
  const Outcome one = RunAll(oneRouter, 1, kRequests);
  EXPECT_EQ(oneRouter->typedAhead, 0);
  for (size_t depth : {2u, 3u, 32u}) {
    SCOPED_TRACE(depth);
    auto router = Router();
    const Outcome ahead = RunAll(router, depth, kRequests);
    EXPECT_GT(router->typedAhead, 0);
    EXPECT_EQ(ahead.replies, one.replies);
    EXPECT_EQ(ahead.recorded, one.recorded);
    EXPECT_EQ(ahead.tally.cli.sent, one.tally.cli.sent);
    EXPECT_EQ(ahead.tally.cli.refused, 1);
    EXPECT_EQ(ahead.tally.cli.reconnections, 0);
    EXPECT_EQ(ahead.tally.cli.typeAheadLostAt, "");
  }
  EXPECT_THAT(one.recorded, Contains("pe1:vr3#show d\nreply d\npe1 uptime 3d\n\nend d\n"));
  EXPECT_THAT(one.replies, Contains("-"));
}

TEST(CliTypeAhead, ARouterThatLosesWhatWasTypedIsCaughtAndEveryReplyStaysRight) {
  const Outcome one = RunAll(Router(), 1, kRequests);
  // One router loses what comes while it answers: a prompt that no echo
  // follows, caught well before the 30 s timeout. The other loses one line:
  // the prompt shows another command than the one typed next.
  auto flushing = Router();
  flushing->dropTypeAhead = true;
  auto losing = Router();
  losing->lostOnce = {"virtual-router vr2"};
  for (const auto& router : {flushing, losing}) {
    const Outcome ahead = RunAll(router, 8, kRequests, 30000);
    EXPECT_EQ(ahead.replies, one.replies);
    EXPECT_EQ(ahead.recorded, one.recorded);
    EXPECT_EQ(ahead.tally.cli.timedOut, 0);
    // From "show a" on, on a new connection, one command at a time.
    EXPECT_EQ(ahead.tally.cli.typeAheadLostAt, "show a");
    EXPECT_EQ(ahead.tally.cli.reconnections, 1);
    EXPECT_THAT(router->SeenOn(2),
                ElementsAre("show a", "virtual-router vr2", "show b", "show nothing", "show c",
                            "virtual-router vr3", "show d", "show e", "virtual-router default",
                            "show f", "virtual-router vr2", "show a", "show b"));
    EXPECT_EQ(router->Connections(), 2);
  }
  EXPECT_THAT(flushing->SeenOn(1), ElementsAre("show a"));
  EXPECT_THAT(losing->SeenOn(1), ElementsAre("show a", "show b", "show nothing", "show c",
                                             "virtual-router vr3", "show d", "show e"));
}

TEST(CliTypeAhead, ALostConnectionOrAStallInABatchResumesFromTheFirstUnanswered) {
  auto router = Router();
  router->dropOn = {"show b"};
  router->dropsLeft = 1;
  router->hangOn = {"show d"};
  router->hangFromConnection = 2;
  const Outcome ahead = RunAll(
      router, 4, {{"virtual-router vr2", "show a", "show b", "show c", "show d", "show e"}}, 300);
  EXPECT_THAT(
      ahead.replies,
      ElementsAre("", "reply a\npe1 uptime 3d\n\nend a\n", "reply b\npe1 uptime 3d\n\nend b\n",
                  "reply c\npe1 uptime 3d\n\nend c\n", "-", "reply e\npe1 uptime 3d\n\nend e\n"));
  EXPECT_THAT(router->SeenOn(1), ElementsAre("virtual-router vr2", "show a", "show b"));
  // Typed again in the virtual router where the cut-off command was to run.
  EXPECT_THAT(router->SeenOn(2),
              ElementsAre("virtual-router vr2", "show b", "show c", "show d", "show e"));
  EXPECT_THAT(router->SeenOn(3), ElementsAre("virtual-router vr2", "show e"));
  EXPECT_EQ(ahead.tally.cli.cutOff, 0);
  EXPECT_EQ(ahead.tally.cli.timedOut, 1);
  EXPECT_EQ(ahead.tally.cli.first.timedOut, "show d");
  EXPECT_EQ(ahead.tally.cli.reconnections, 2);
  EXPECT_EQ(ahead.tally.cli.typeAheadLostAt, "");
}

}  // namespace
