// erx-discover queue, poller and runs as processes, on a PostgreSQL of the
// test's own and simulated routers on 127.0.0.1 (a few hundred milliseconds
// away, so that a device is being discovered long enough to stop its
// poller): pollers killed, stopped past their lease, cut off from the store;
// and two regions each in a network namespace of its own.
#include <fcntl.h>
#include <libpq-fe.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"
#include "tests/support/PostgresServer.h"

using namespace testing;

namespace {

const std::string kPe1 = kDevices + "pe1-erx";
const std::string kPe2 = kDevices + "pe2-erx-later-release";
using Clock = std::chrono::steady_clock;

// Rows of `sql`, each row's columns joined by '|'.
std::vector<std::string> Rows(const std::string& url, const std::string& sql) {
  std::vector<std::string> rows;
  PGconn* connection = PQconnectdb(url.c_str());
  PGresult* result = PQexec(connection, sql.c_str());
  if (PQresultStatus(result) == PGRES_TUPLES_OK) {
    for (int row = 0; row < PQntuples(result); ++row) {
      std::string line;
      for (int column = 0; column < PQnfields(result); ++column) {
        line += (column ? "|" : "") + std::string(PQgetisnull(result, row, column)
                                                      ? "NULL"
                                                      : PQgetvalue(result, row, column));
      }
      rows.push_back(line);
    }
  } else {
    rows.push_back(std::string("error: ") + PQerrorMessage(connection));
  }
  PQclear(result);
  PQfinish(connection);
  return rows;
}

// Waits at most `seconds` for `done`.
bool WaitFor(const std::function<bool()>& done, double seconds = 60) {
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// An erx-discover process, its output in files of the test's folder.
class Program {
 public:
  Program(const TempFolder& folder, const std::string& name,
          const std::vector<std::string>& arguments, const Variables& environment = Secrets())
      : folder_(folder), name_(name) {
    const int out = open((folder.Path() + "/" + name + ".out").c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open((folder.Path() + "/" + name + ".err").c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = Spawn(ERX_RUNNER_PATH, arguments, environment, out, err);
    close(out);
    close(err);
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Reap(pid_, std::chrono::seconds(10));
    }
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // Its exit status (-1 when it had to be killed after `seconds`).
  int End(int seconds = 120) {
    const int status = Reap(pid_, std::chrono::seconds(seconds));
    pid_ = -1;
    return status;
  }
  std::string Out() const { return folder_.Read(name_ + ".out"); }
  std::string Err() const { return folder_.Read(name_ + ".err"); }

 private:
  const TempFolder& folder_;
  std::string name_;
  pid_t pid_ = -1;
};

// Every program of a test: fast heartbeats, a short lease.
std::vector<std::string> PollerArguments(const std::string& url, const std::string& name,
                                         const std::string& region, const std::string& lease,
                                         std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments = {
      "poller", "--store", url,   "--region", region, "--name",           name, "--heartbeat",
      "0.2",    "--lease", lease, "--poll",   "0.2",  "--device-timeout", "60"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

std::string LiveDevice(const std::string& name, const std::string& region,
                       const SimulatedRouter& router, const std::string& extra = "") {
  return "  - name: " + name + "\n    region: " + region +
         "\n    host: 127.0.0.1\n    telnet_port: " + router.TelnetPort() +
         "\n    snmp_port: " + router.SnmpPort() + "\n" + extra;
}

std::string CapturedDevice(const std::string& name, const std::string& region,
                           const std::string& dir) {
  return "  - name: " + name + "\n    region: " + region + "\n    capture: " + dir + "\n";
}

const char kDefaults[] = "defaults:\n  user: admin\n  timeout: 10\ndevices:\n";

// A router far enough away that its discovery takes a few seconds.
const std::vector<std::string> kFarRouter = {"--user", "admin", "--fault", "latency=150"};

class PollerFaults : public Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Started()) << server_.Problem();
    url_ = server_.NewDatabase("fleet");
    ASSERT_FALSE(url_.empty()) << server_.Problem();
    inventory_ = folder_.Path() + "/fleet.yaml";
  }

  void WriteInventory(const std::string& devices) {
    std::ofstream(inventory_) << kDefaults << devices;
  }

  // Waits until `poller` is discovering a device named sim-*; that device.
  std::string HeldBy(const std::string& poller) {
    std::string device;
    WaitFor([&] {
      const std::vector<std::string> rows =
          Rows(url_, "SELECT device FROM jobs WHERE poller = '" + poller +
                         "' AND state = 'running' AND device LIKE 'sim%'");
      if (!rows.empty() && rows[0].rfind("error", 0) != 0) device = rows[0];
      return !device.empty();
    });
    return device;
  }

  std::vector<std::string> Stored() {
    return Rows(url_, "SELECT name, status FROM devices ORDER BY name");
  }

  PostgresServer server_;
  TempFolder folder_;
  std::string url_;
  std::string inventory_;
};

TEST_F(PollerFaults, AKilledPollersDeviceIsFinishedByAnotherAndAMissingSecretFailsAlone) {
  SimulatedRouter far1, far2;
  ASSERT_TRUE(far1.Start(kPe1, kFarRouter, Secrets()));
  ASSERT_TRUE(far2.Start(kPe2, kFarRouter, Secrets()));
  WriteInventory(LiveDevice("sim-1", "a", far1) + LiveDevice("sim-2", "a", far2) +
                 CapturedDevice("cap-1", "a", kPe1) + CapturedDevice("cap-2", "a", kPe2) +
                 LiveDevice("no-secret", "a", far1, "    password_env: NOT_HERE_PASSWORD\n"));
  Program queue(folder_, "queue", {"queue", "--inventory", inventory_, "--store", url_, "--wait"});
  ASSERT_TRUE(WaitFor([&] { return queue.Out().find("queued") != std::string::npos; }));
  EXPECT_EQ(queue.Out().substr(0, queue.Out().find('\n')), "run 1 queued: 5 devices in 1 region");

  Program doomed(folder_, "doomed", PollerArguments(url_, "doomed", "a", "1"));
  ASSERT_EQ(HeldBy("doomed"), "sim-1") << doomed.Err();
  doomed.Signal(SIGKILL);
  doomed.End();
  Program rescuer(folder_, "rescuer",
                  PollerArguments(url_, "rescuer", "a", "1", {"--once", "--jobs", "2"}));
  ASSERT_EQ(rescuer.End(), 0) << rescuer.Err();

  EXPECT_THAT(Stored(),
              ElementsAre("cap-1|ok", "cap-2|ok", "no-secret|failed", "sim-1|ok", "sim-2|ok"));
  EXPECT_THAT(
      Rows(url_, "SELECT poller, attempt, stopped_pollers FROM jobs WHERE device = 'sim-1'"),
      ElementsAre("rescuer|2|doomed"));
  EXPECT_THAT(Rows(url_, "SELECT problem FROM devices WHERE name = 'no-secret'"),
              ElementsAre("not set where poller rescuer runs (its environment): NOT_HERE_PASSWORD "
                          "(the login password)"));
  EXPECT_THAT(Rows(url_, "SELECT finished_at IS NOT NULL FROM runs"), ElementsAre("t"));

  // --wait followed the run to its end, then printed the fleet's summary.
  EXPECT_EQ(queue.End(), 4) << queue.Err();
  EXPECT_THAT(queue.Out(), HasSubstr("  a: 4 done, 1 failed, 0 running, 0 waiting; "));
  EXPECT_THAT(queue.Out(), HasSubstr("5 devices: 4 discovered, 1 failed"));
  const DiscoverRun runs = RunDiscover({"runs", "--store", url_}, {});
  EXPECT_THAT(runs.out, StartsWith("run 1  finished  started "));
  EXPECT_THAT(
      runs.out,
      HasSubstr("\n  a: 4 done, 1 failed, 0 running, 0 waiting\n  stored: 1 failed 4 ok\n"));
  // No secret in anything stored or shown.
  for (const auto& secret : Secrets()) {
    EXPECT_THAT(Rows(url_, "SELECT settings FROM jobs")[0], Not(HasSubstr(secret.second)));
    EXPECT_THAT(queue.Out() + rescuer.Err() + runs.out, Not(HasSubstr(secret.second)));
  }
}

TEST_F(PollerFaults, APollerStoppedPastItsLeaseHasItsLateResultRefused) {
  SimulatedRouter far;
  ASSERT_TRUE(far.Start(kPe1, kFarRouter, Secrets()));
  WriteInventory(LiveDevice("sim-1", "a", far) + CapturedDevice("cap-1", "a", kPe1));
  ASSERT_EQ(RunDiscover({"queue", "--inventory", inventory_, "--store", url_}, {}).status, 0);

  Program sleeper(folder_, "sleeper", PollerArguments(url_, "sleeper", "a", "1"));
  ASSERT_EQ(HeldBy("sleeper"), "sim-1") << sleeper.Err();
  sleeper.Signal(SIGSTOP);
  Program waker(folder_, "waker", PollerArguments(url_, "waker", "a", "1", {"--once"}));
  ASSERT_EQ(waker.End(), 0) << waker.Err();
  sleeper.Signal(SIGCONT);
  EXPECT_TRUE(WaitFor([&] {
    return sleeper.Err().find("sim-1 of run 1 is not stored by this poller") != std::string::npos;
  })) << sleeper.Err();
  sleeper.Signal(SIGTERM);
  EXPECT_EQ(sleeper.End(30), 0) << sleeper.Err();

  EXPECT_THAT(Stored(), ElementsAre("cap-1|ok", "sim-1|ok"));
  EXPECT_THAT(Rows(url_, "SELECT poller, attempt FROM jobs WHERE device = 'sim-1'"),
              ElementsAre("waker|2"));
  EXPECT_THAT(Rows(url_, "SELECT count(*) FROM pollers"), ElementsAre("0"));
}

TEST_F(PollerFaults, PollersCarryOnWhenTheStoreRestarts) {
  SimulatedRouter far1, far2;
  ASSERT_TRUE(far1.Start(kPe1, kFarRouter, Secrets()));
  ASSERT_TRUE(far2.Start(kPe2, kFarRouter, Secrets()));
  WriteInventory(LiveDevice("sim-1", "a", far1) + LiveDevice("sim-2", "a", far2) +
                 CapturedDevice("cap-1", "a", kPe1));
  ASSERT_EQ(RunDiscover({"queue", "--inventory", inventory_, "--store", url_}, {}).status, 0);

  Program steady(folder_, "steady",
                 PollerArguments(url_, "steady", "a", "5", {"--once", "--jobs", "2"}));
  ASSERT_FALSE(HeldBy("steady").empty()) << steady.Err();
  ASSERT_TRUE(server_.Restart());
  ASSERT_EQ(steady.End(), 0) << steady.Err();
  EXPECT_THAT(steady.Err(), HasSubstr("; trying again in 0.5 s\n"));
  EXPECT_THAT(Stored(), ElementsAre("cap-1|ok", "sim-1|ok", "sim-2|ok"));
  EXPECT_THAT(Rows(url_, "SELECT finished_at IS NOT NULL FROM runs"), ElementsAre("t"));
}

// A network namespace of the test's own, removed at the end of the scope.
class Namespace {
 public:
  explicit Namespace(const std::string& name) : name_(name) {
    made_ =
        std::system(("ip netns add " + name_ + " 2>/dev/null && ip -n " + name_ + " link set lo up")
                        .c_str()) == 0;
  }
  ~Namespace() {
    if (made_) std::system(("ip netns delete " + name_).c_str());
  }
  bool Made() const { return made_; }
  // Runs `start` inside the namespace: what it starts stays there.
  bool Inside(const std::function<bool()>& start) const {
    const int here = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int there = open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC);
    bool started = false;
    if (here >= 0 && there >= 0 && setns(there, CLONE_NEWNET) == 0) {
      started = start();
      setns(here, CLONE_NEWNET);
    }
    if (here >= 0) close(here);
    if (there >= 0) close(there);
    return started;
  }

 private:
  std::string name_;
  bool made_ = false;
};

TEST_F(PollerFaults, EachRegionsPollerReachesOnlyItsOwnRouters) {
  const std::string suffix = std::to_string(getpid());
  Namespace east("erx-east-" + suffix), west("erx-west-" + suffix);
  if (!east.Made() || !west.Made()) {
    GTEST_SKIP() << "network namespaces cannot be made here (they need root and ip netns)";
  }
  SimulatedRouter eastRouter, westRouter;
  ASSERT_TRUE(east.Inside([&] { return eastRouter.Start(kPe1, {"--user", "admin"}, Secrets()); }));
  ASSERT_TRUE(west.Inside([&] { return westRouter.Start(kPe2, {"--user", "admin"}, Secrets()); }));
  WriteInventory(LiveDevice("sim-east", "east", eastRouter) +
                 LiveDevice("sim-west", "west", westRouter));
  ASSERT_EQ(RunDiscover({"queue", "--inventory", inventory_, "--store", url_}, {}).status, 0);
  std::unique_ptr<Program> eastPoller, westPoller;
  ASSERT_TRUE(east.Inside([&] {
    eastPoller.reset(
        new Program(folder_, "east", PollerArguments(url_, "east-1", "east", "2", {"--once"})));
    return true;
  }));
  ASSERT_TRUE(west.Inside([&] {
    westPoller.reset(
        new Program(folder_, "west", PollerArguments(url_, "west-1", "west", "2", {"--once"})));
    return true;
  }));
  EXPECT_EQ(eastPoller->End(), 0) << eastPoller->Err();
  EXPECT_EQ(westPoller->End(), 0) << westPoller->Err();
  EXPECT_THAT(Stored(), ElementsAre("sim-east|ok", "sim-west|ok"));
  EXPECT_THAT(Rows(url_, "SELECT device, poller, attempt FROM jobs ORDER BY device"),
              ElementsAre("sim-east|east-1|1", "sim-west|west-1|1"));
  // From here, neither router is reachable: each is in its region alone.
  EXPECT_NE(RunDiscover(LiveArguments(eastRouter), Secrets()).status, 0);
}

}  // namespace
