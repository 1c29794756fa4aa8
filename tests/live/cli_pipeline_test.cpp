// Commands typed ahead (--cli-pipeline) against the simulated router 20 ms
// away: the same report and capture as one command at a time, and a router
// that loses what was typed ahead caught without losing a reply.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/live/LiveReports.h"

namespace {

using namespace testing;

TEST(CliPipeline, TypedAheadGivesWhatOneCommandAtATimeGivesAndALossIsCaught) {
  TempFolder folder;
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "latency=20"}, Secrets()));
  const std::string one = folder.Path() + "/one", ahead = folder.Path() + "/ahead";
  const DiscoverRun single =
      RunDiscover(LiveArguments(router, {"--save-capture", one}, "10"), Secrets());
  const DiscoverRun pipelined = RunDiscover(
      LiveArguments(router, {"--save-capture", ahead, "--cli-pipeline", "8"}, "10"), Secrets());
  ASSERT_EQ(single.status, 0) << single.err;
  ASSERT_EQ(pipelined.status, 0) << pipelined.err;
  // Health and all: nothing was lost, nothing reconnected.
  EXPECT_EQ(pipelined.out, single.out);
  EXPECT_EQ(HealthOf(pipelined)["cli"]["reconnections"], 0);
  EXPECT_EQ(ReadFile(ahead + "/cli.log"), ReadFile(one + "/cli.log"));
  EXPECT_GT(ReadFile(one + "/cli.log").size(), 1000u);

  // A router that drops what comes while it answers: caught, and the rest
  // goes one command at a time.
  SimulatedRouter dropping;
  ASSERT_TRUE(dropping.Start(
      kExample, {"--user", "admin", "--fault", "latency=20", "--fault", "drop-typeahead"},
      Secrets()));
  const DiscoverRun caught =
      RunDiscover(LiveArguments(dropping, {"--cli-pipeline", "8"}, "10"), Secrets());
  ASSERT_EQ(caught.status, 0) << caught.err;
  EXPECT_EQ(ReportOf(caught), ReportOf(single));
  const Json health = HealthOf(caught);
  EXPECT_EQ(health["status"], "ok");
  EXPECT_EQ(health["cli"]["answered"], HealthOf(single)["cli"]["answered"]);
  EXPECT_EQ(health["cli"]["timedOut"], 0);
  EXPECT_EQ(health["cli"]["reconnections"], 1);
  EXPECT_THAT(health["cli"].value("typeAheadLostAt", ""), Not(IsEmpty()));
  EXPECT_FALSE(HealthOf(single)["cli"].contains("typeAheadLostAt"));
}

}  // namespace
