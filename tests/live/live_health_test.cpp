// A router that does not answer, or not all of it, is never reported as
// discovered: each loss is named in the report's health with the address, the
// exit status says how much answered, and every wait is bounded.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "captures/CliCapture.h"
#include "tests/live/LiveReports.h"

using namespace testing;

namespace {

TEST(LiveHealth, SnmpThatNeverAnswersFailsTheDeviceNamingTheAddress) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin"}, Secrets(), false));
  const DiscoverRun run = RunDiscover(LiveArguments(router, {}, "1"), Secrets());
  EXPECT_EQ(run.status, 3);
  EXPECT_THAT(run.err,
              MatchesRegex("erx-discover: pe1-erx: failed: SNMP at 127\\.0\\.0\\.1:" +
                           router.SnmpPort() + " did not answer \\([0-9]+ walks asked\\)\n"));
  const Json health = HealthOf(run);
  EXPECT_EQ(health["status"], "failed");
  EXPECT_EQ(health["snmp"]["walksAnswered"], 0);
  EXPECT_EQ(health["cli"]["timedOut"], 0);
}

TEST(LiveHealth, ADropDuringOneCommandOfEachRouterLosesOnlyThatCommand) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(
      kExample, {"--user", "admin", "--fault", "drop-on=show mpls forwarding brief"}, Secrets()));
  const DiscoverRun run = RunDiscover(LiveArguments(router), Secrets());
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_THAT(run.err, HasSubstr("partial: the CLI at 127.0.0.1:" + router.TelnetPort() +
                                 " dropped the connection during 2 commands (first: \"show mpls "
                                 "forwarding brief\")"));
  const Json health = HealthOf(run);
  EXPECT_EQ(health["cli"]["cutOff"], 2);
  EXPECT_EQ(health["cli"]["notSent"], 0);
  const Json found = ReportOf(run), expected = CaptureReport(kExample);
  EXPECT_THAT(found["labelEntries"], IsEmpty());
  EXPECT_EQ(found["vrfs"], expected["vrfs"]);
}

TEST(LiveHealth, TheDeviceDeadlineStopsASlowRouterWithAPartialReport) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "slow=40"}, Secrets()));
  const DiscoverRun run = RunDiscover(LiveArguments(router, {"--device-timeout", "2"}), Secrets());
  EXPECT_THAT(run.status, AnyOf(3, 5)) << run.err;
  const Json health = HealthOf(run);
  EXPECT_GT(health["cli"]["notSent"], 0) << health;
  EXPECT_THAT(health["problems"].dump(), HasSubstr("the device's deadline of 2 s passed"));
}

TEST(LiveHealth, ALineLikeThePromptInsideAReplyIsNamedAndNeverTheNextReply) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "prompt-in=show ip vrf detail"},
                           Secrets()));
  TempFolder saved;
  const DiscoverRun run =
      RunDiscover(LiveArguments(router, {"--save-capture", saved.Path() + "/capture"}), Secrets());
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_THAT(run.err, HasSubstr("partial: the CLI at 127.0.0.1:" + router.TelnetPort() +
                                 " went on after a line like its prompt in 2 replies; the rest was "
                                 "dropped (first: \"show ip vrf detail\")"));
  // Every other command's reply is the captured one: none took the rest of another.
  std::ifstream log(kExample + "/cli.log", std::ios::binary);
  const CliCapture original = ParseCliLog(std::string(std::istreambuf_iterator<char>(log), {}));
  const CliCapture live = ParseCliLog(saved.Read("capture/cli.log"));
  for (const auto& [key, reply] : live.replies) {
    if (key.second == "show ip vrf detail" || key.second.rfind("virtual-router ", 0) == 0) continue;
    const std::string* expected = original.Reply(key.first, key.second);
    ASSERT_NE(expected, nullptr) << key.second;
    EXPECT_EQ(reply, *expected) << key.first << " " << key.second;
  }
}

// Secrets come from the environment or a private file, blanks around the
// equals sign being layout; an empty password, a file that others may read and
// a folder are refused before any connection (an unset password is refused in
// tests/discovery).
TEST(LiveSecrets, APrivateFileOrTheEnvironmentAndNothingEmptyOrShared) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin"}, Secrets()));
  TempFolder folder;
  const std::string file = "ERX_PASSWORD = " + Secrets().at("ERX_PASSWORD") +
                           "\nERX_ENABLE_PASSWORD =" + Secrets().at("ERX_ENABLE_PASSWORD") +
                           "\nERX_COMMUNITY\t=\t" + Secrets().at("ERX_COMMUNITY") + "\n";
  folder.Write("secrets", "# lab router\n" + file);
  folder.Write("shared", file);
  folder.Write("empty", "ERX_PASSWORD = \n");
  chmod(folder.File("secrets").c_str(), 0600);
  chmod(folder.File("shared").c_str(), 0644);
  chmod(folder.File("empty").c_str(), 0600);
  Variables emptyEnable = Secrets();
  emptyEnable["ERX_ENABLE_PASSWORD"] = "";

  struct Refused {
    std::vector<std::string> extra;
    Variables environment;
    std::string said;
  };
  const std::vector<Refused> refused = {
      {{}, emptyEnable, "ERX_ENABLE_PASSWORD is empty"},
      {{"--secrets-file", folder.File("empty")}, Secrets(), "ERX_PASSWORD is empty"},
      {{"--secrets-file", folder.File("shared")}, {}, "may be read by other users"},
      {{"--secrets-file", folder.Path()}, Secrets(), "is not a file"}};
  for (const Refused& how : refused) {
    const DiscoverRun run = RunDiscover(LiveArguments(router, how.extra), how.environment);
    EXPECT_EQ(run.status, 2) << how.said;
    EXPECT_THAT(run.err, HasSubstr(how.said));
  }
  const DiscoverRun own =
      RunDiscover(LiveArguments(router, {"--secrets-file", folder.File("secrets")}), {});
  EXPECT_EQ(own.status, 0) << own.err;
  EXPECT_EQ(Count(router.Stop(), "connection\n"), 1);  // the last run's alone
}

}  // namespace
