// A live router that misbehaves, one test for each kind of fault: a refused
// login, nothing listening, commands that never come back or drop the
// connection, an endless SNMP column, SNMP that never answers, a device past
// its deadline. A router that does not answer, or not all of it, is never
// reported as discovered: each loss is named with the address, the exit
// status says how much answered, and every wait is bounded.
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "captures/CliCapture.h"
#include "tests/live/LiveReports.h"

using namespace testing;

namespace {

TEST(LiveLogin, WrongPasswordIsOneLineExitThreeAndOneConnection) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin"}, Secrets(), false));
  Variables wrong = Secrets();
  wrong["ERX_PASSWORD"] = "not-the-password";
  const DiscoverRun run = RunDiscover(LiveArguments(router), wrong);
  EXPECT_EQ(run.status, 3);
  EXPECT_THAT(
      run.err,
      MatchesRegex("erx-discover: 127\\.0\\.0\\.1:[0-9]+ refused the login of user admin[^\n]*\n"));
  EXPECT_EQ(run.err.find("not-the-password"), std::string::npos);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Count(router.Stop(), "connection\n"), 1);
}

TEST(LiveLogin, NothingListeningOrNoPromptIsExitThreeWithinTheTimeout) {
  const DiscoverRun closed = RunDiscover({"--host", "127.0.0.1", "--telnet-port",
                                          std::to_string(FreePort(SOCK_STREAM)), "--timeout", "1"},
                                         Secrets());
  EXPECT_EQ(closed.status, 3);
  EXPECT_THAT(closed.err, HasSubstr("cannot connect to 127.0.0.1:"));

  // Accepts connections (in the kernel's backlog) and never says a word.
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof at;
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&at), size), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&at), &size), 0);
  const DiscoverRun mute = RunDiscover({"--host", "127.0.0.1", "--telnet-port",
                                        std::to_string(ntohs(at.sin_port)), "--timeout", "1"},
                                       Secrets());
  close(silent);
  EXPECT_EQ(mute.status, 3);
  EXPECT_EQ(mute.err, "erx-discover: 127.0.0.1:" + std::to_string(ntohs(at.sin_port)) +
                          " sent no login prompt within 1 s\n");
  EXPECT_LT(mute.seconds, 10);
}

// Faults of the CLI, on one router each: every reply that a fault did not
// touch is the captured one (none shifted to another command, none cut at a
// page mark), each loss is named with the address, and the report differs
// only in what the faulty commands gave.
TEST(LiveFaults, EachCliFaultLosesOnlyItsCommandsAndNamesThem) {
  struct Fault {
    std::vector<std::string> faults, extra;
    int status;
    std::vector<std::string> problems;   // each after "the CLI at ADDRESS"
    std::vector<std::string> faulty;     // commands whose reply was lost
    std::vector<std::string> touched;    // report parts those commands give
    std::map<std::string, int> counted;  // in health.cli
  };
  // A drop right after the prompt in a reply would hide what came late: the
  // three faults are on commands apart.
  const std::vector<Fault> table = {
      {{"hang-on=show mpls interface", "drop-on=show mpls forwarding brief",
        "prompt-in=show ip vrf detail"},
       {},
       5,
       {" gave no reply within the timeout to 2 commands (first: \"show mpls interface\")",
        " dropped the connection during 2 commands (first: \"show mpls forwarding brief\")",
        " went on after a line like its prompt in 2 replies; the rest was dropped (first: "
        "\"show ip vrf detail\")"},
       {"show mpls interface", "show mpls forwarding brief", "show ip vrf detail"},
       {"labelEntries", "vrfs", "warnings"},
       {{"timedOut", 2}, {"cutOff", 2}, {"notSent", 0}}},
      // With paging left on: every other live test turns it off.
      {{"noise", "slow=1"}, {"--paging"}, 0, {}, {}, {}, {}},
  };
  const CliCapture original = ParseCliLog(ReadFile(kExample + "/cli.log"));
  const Json capture = CaptureReport(kExample);
  for (const Fault& fault : table) {
    SCOPED_TRACE(fault.faults[0]);
    std::vector<std::string> options = {"--user", "admin"};
    for (const std::string& each : fault.faults) options.insert(options.end(), {"--fault", each});
    SimulatedRouter router;
    ASSERT_TRUE(router.Start(kExample, options, Secrets()));
    TempFolder saved;
    std::vector<std::string> extra = fault.extra;
    extra.insert(extra.end(), {"--save-capture", saved.Path() + "/capture"});
    const DiscoverRun run = RunDiscover(LiveArguments(router, extra), Secrets());
    ASSERT_EQ(run.status, fault.status) << run.err;
    Json problems = Json::array();
    for (const std::string& problem : fault.problems)
      problems.push_back("the CLI at 127.0.0.1:" + router.TelnetPort() + problem);
    const Json health = HealthOf(run);
    EXPECT_EQ(health.value("problems", Json::array()), problems);
    if (!problems.empty()) {
      EXPECT_THAT(run.err,
                  StartsWith("erx-discover: pe1-erx: partial: " + problems[0].get<std::string>()));
    }
    for (const auto& [count, value] : fault.counted) EXPECT_EQ(health["cli"][count], value);

    const CliCapture live = ParseCliLog(saved.Read("capture/cli.log"));
    for (const auto& [key, reply] : live.replies) {
      if (key.second.rfind("virtual-router ", 0) == 0 ||
          std::count(fault.faulty.begin(), fault.faulty.end(), key.second)) {
        continue;
      }
      const std::string* expected = original.Reply(key.first, key.second);
      ASSERT_NE(expected, nullptr) << key.second;
      EXPECT_EQ(reply, *expected) << key.first << " " << key.second;
    }
    const Json found = ReportOf(run);
    for (const auto& part : capture.items()) {
      if (std::count(fault.touched.begin(), fault.touched.end(), part.key())) continue;
      EXPECT_EQ(found[part.key()], part.value()) << part.key();
    }
  }
}

// An agent whose column never ends: each walk of it is cut at a bound (bytes
// kept, time), named in the health, and the rest of the device is still
// discovered, in bounded memory. The walker's own bounds, rows among them, are
// tested on an agent in memory (tests/simulator).
TEST(LiveFaults, AColumnThatNeverEndsIsCutAtEachBound) {
  const std::string ifAdminStatus = ".1.3.6.1.2.1.2.2.1.7";
  // Far below the gigabytes of a walk without bounds; the address sanitizer
  // keeps freed memory a while and adds its shadow.
#ifdef __SANITIZE_ADDRESS__
  const long peakKiB = 768 << 10;
#else
  const long peakKiB = 256 << 10;
#endif
  struct Bound {
    std::vector<std::string> faults;
    std::string timeout, said;
  };
  // Every answer held 5 ms: a walk of 25 rows a request gets a few thousand
  // rows a second, however fast the machine, far below the other two bounds.
  const std::vector<Bound> bounds = {
      {{"endless-table=" + ifAdminStatus + ":2000"}, "20", "it ran past 64 MiB"},
      {{"endless-table=" + ifAdminStatus, "latency=5"}, "1", "it took longer than 1 s"}};
  const Json capture = CaptureReport(kExample);
  for (const Bound& bound : bounds) {
    SCOPED_TRACE(bound.said);
    std::vector<std::string> options = {"--user", "admin"};
    for (const std::string& each : bound.faults) options.insert(options.end(), {"--fault", each});
    SimulatedRouter router;
    ASSERT_TRUE(router.Start(kExample, options, Secrets()));
    const DiscoverRun run = RunDiscover(LiveArguments(router, {}, bound.timeout), Secrets());
    EXPECT_EQ(run.status, 5) << run.err;
    EXPECT_LT(run.peakKiB, peakKiB);
    const Json health = HealthOf(run);
    ASSERT_TRUE(health.is_object());
    ASSERT_THAT(health["problems"], Not(IsEmpty()));
    for (const auto& problem : health["problems"]) {
      EXPECT_THAT(
          problem.get<std::string>(),
          MatchesRegex("the walk of ifAdminStatus( in @[^ ]+)? at 127\\.0\\.0\\.1:" +
                       router.SnmpPort() + " was dropped: " + bound.said + " \\([0-9]+ rows\\)"));
    }
    // All but the interfaces, whose admin status never arrived.
    const Json found = ReportOf(run);
    for (const char* part : {"virtualRouters", "labelEntries", "vrfs", "ipAddresses"}) {
      EXPECT_EQ(found[part], capture[part]) << part;
    }
  }
}

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

TEST(LiveHealth, TheDeviceDeadlineStopsASlowRouterWithAPartialReport) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "slow=40"}, Secrets()));
  const DiscoverRun run = RunDiscover(LiveArguments(router, {"--device-timeout", "2"}), Secrets());
  EXPECT_THAT(run.status, AnyOf(3, 5)) << run.err;
  const Json health = HealthOf(run);
  EXPECT_GT(health["cli"]["notSent"], 0) << health;
  EXPECT_THAT(health["problems"].dump(), HasSubstr("the device's deadline of 2 s passed"));
}

// Thread stacks mapped in `pid`: read-write blocks right above a one-page
// guard. (Other mappings come and go with the allocator's own reservations.)
int ThreadStacks(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  int count = 0;
  unsigned long guardEnd = 0;
  for (std::string line; std::getline(maps, line);) {
    unsigned long start = 0, end = 0;
    char mode[8] = {};
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx %7s %*s %*s %*s%n", &start, &end, mode, &consumed) < 3)
      continue;
    const bool anonymous =
        line.find_first_not_of(' ', static_cast<size_t>(consumed)) == std::string::npos;
    if (std::string(mode) == "rw-p" && anonymous && start == guardEnd) ++count;
    guardEnd = std::string(mode) == "---p" && end - start == 4096 ? end : 0;
  }
  return count;
}

TEST(Simulator, ClientsThatLeftKeepNoThreadStacks) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {}, {}, false));
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(std::stoi(router.TelnetPort())));
  auto visits = [&](int count) {
    for (int i = 0; i < count; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM, 0);
      ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
      close(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  };
  visits(2);
  const int before = ThreadStacks(router.Pid());
  visits(100);
  // A new client has the ended sessions joined (tried for up to ten seconds,
  // for sessions that end late on a busy machine).
  int grown = 0;
  for (int tries = 0; tries < 50; ++tries) {
    visits(1);
    grown = ThreadStacks(router.Pid()) - before;
    if (grown < 20) break;
  }
  EXPECT_LT(grown, 20);  // a few stacks kept for reuse, not one per client that left
  router.Stop();
  EXPECT_EQ(router.ExitStatus(), 0);
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
