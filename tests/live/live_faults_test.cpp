// A live router that misbehaves: wrong password, nothing listening, a
// command that never comes back, a dropped connection, paging and noise.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "captures/CliCapture.h"
#include "tests/live/LiveReports.h"
#include "transports/CliSession.h"
#include "transports/TelnetStream.h"

namespace fs = std::filesystem;
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

TEST(LiveFaults, HangingCommandLosesOnlyItsReply) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "hang-on=show ip vrf detail"},
                           Secrets()));
  TempFolder folder;
  const DiscoverRun run = RunDiscover(
      LiveArguments(router, {"--debug", "1", "-o", folder.Path() + "/report.json"}, "1"),
      Secrets());
  ASSERT_EQ(run.status, 5) << run.err;
  EXPECT_THAT(run.out + run.err, HasSubstr("no response for show ip vrf detail"));
  EXPECT_THAT(run.err, HasSubstr("erx-discover: pe1-erx: partial: the CLI at 127.0.0.1:" +
                                 router.TelnetPort() +
                                 " gave no reply within the timeout to 2 "
                                 "commands (first: \"show ip vrf detail\")\n"));
  const Json report = Json::parse(folder.Read("report.json"));
  EXPECT_EQ(report["health"]["cli"]["timedOut"], 2);
  const Json expected = CaptureReport(kExample);
  EXPECT_EQ(report["labelEntries"], expected["labelEntries"]);
  EXPECT_EQ(report["virtualRouters"], expected["virtualRouters"]);
  EXPECT_EQ(report["interfaces"], expected["interfaces"]);
  EXPECT_EQ(report["vrfs"], Json::array());
}

TEST(LiveFaults, PagesNoiseAndSlowLinesReadAsCaptured) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin", "--fault", "noise", "--fault", "slow=1"},
                           Secrets()));
  // With paging left on: every other live test turns it off.
  EXPECT_EQ(ReportOf(RunDiscover(LiveArguments(router, {"--paging"}), Secrets())),
            CaptureReport(kExample));
}

// How many memory mappings the simulator has: each thread stack is one.
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

// The simulator's child running snmpsim, and the cache folder it was given.
bool FindSnmpsim(pid_t simulator, pid_t& pid, std::string& cacheDir) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent != simulator) continue;
    std::ifstream cmdline(entry.path() / "cmdline");
    for (std::string part; std::getline(cmdline, part, '\0');) {
      if (part.rfind("--cache-dir=", 0) == 0) {
        pid = std::stoi(entry.path().filename().string());
        cacheDir = part.substr(part.find('=') + 1);
        return true;
      }
    }
  }
  return false;
}

// Gone, or a zombie that nobody reaped yet: it serves nothing either way.
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) return true;
  return line.substr(line.rfind(')') + 2, 1) == "Z";
}

TEST(Simulator, KilledOutrightLeavesNoSnmpsimNorFiles) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {}, Secrets()));
  pid_t snmpsim = -1;
  std::string cacheDir;
  ASSERT_TRUE(FindSnmpsim(router.Pid(), snmpsim, cacheDir));
  ASSERT_TRUE(fs::exists(cacheDir));

  ASSERT_EQ(kill(router.Pid(), SIGKILL), 0);
  bool cleaned = false;
  for (int tries = 0; tries < 100 && !cleaned; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cleaned = Ended(snmpsim) && !fs::exists(cacheDir);
  }
  EXPECT_TRUE(Ended(snmpsim));
  EXPECT_FALSE(fs::exists(cacheDir));
  router.Stop();
}

TEST(CliSessionOverTelnet, LongRepliesComeWholeThroughEveryPage) {
  TempFolder folder;
  std::string table;
  for (int row = 1; row <= 70; ++row)
    table += "route " + std::to_string(row) + "  via ATM2/0." + std::to_string(row) + "\n";
  fs::create_directories(folder.Path() + "/r1");
  std::ofstream(folder.Path() + "/r1/cli.log") << "r1#show ip route\n"
                                               << table << "r1#virtual-router vr9\nr1:vr9#\n";
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(folder.Path() + "/r1", {"--fault", "noise"}, {}, false));

  for (bool pagingOff : {false, true}) {
    SCOPED_TRACE(pagingOff ? "paging off" : "paging on");
    CliSession session(std::make_unique<TelnetStream>("127.0.0.1", std::stoi(router.TelnetPort())),
                       CliLogin(), 2000, pagingOff);
    std::string reply;
    const ConnectStatus opened = session.Open();
    ASSERT_TRUE(opened.ok()) << opened.message();
    EXPECT_EQ(session.Host(), "r1");
    ASSERT_EQ(session.Run("show ip route", reply), CliSession::Result::kReply);
    EXPECT_EQ(reply, table);
    ASSERT_EQ(session.Run("virtual-router vr9", reply), CliSession::Result::kReply);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(session.Prompt().context, "vr9");
    EXPECT_EQ(session.PromptLine(), "r1:vr9#");
    ASSERT_EQ(session.Run("show clock", reply), CliSession::Result::kReply);
    EXPECT_THAT(reply, StartsWith("% Invalid input"));
  }
}

TEST(CliSessionOverTelnet, LinePasswordAloneLogsIn) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--line-password"}, Secrets(), false));
  CliLogin login;
  login.password = Secrets().at("ERX_PASSWORD");
  login.enablePassword = Secrets().at("ERX_ENABLE_PASSWORD");
  CliSession session(std::make_unique<TelnetStream>("127.0.0.1", std::stoi(router.TelnetPort())),
                     login, 2000);
  const ConnectStatus opened = session.Open();
  ASSERT_TRUE(opened.ok()) << opened.message();
  EXPECT_EQ(session.PromptLine(), "pe1-erx#");

  login.password = "not-it-42";
  CliSession intruder(std::make_unique<TelnetStream>("127.0.0.1", std::stoi(router.TelnetPort())),
                      login, 2000);
  const ConnectStatus refused = intruder.Open();
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(refused.refused());
  EXPECT_THAT(refused.message(), HasSubstr("refused the login"));
  EXPECT_EQ(refused.message().find("not-it-42"), std::string::npos);
}

}  // namespace
