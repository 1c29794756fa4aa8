// Jobs of shared runs in a PostgreSQL store of the tests' own: one run per
// inventory at a time, leases that lapse, fencing of late results, a device
// failed after three pollers stopped on it, and poller names.
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/JobStore.h"
#include "store/Store.h"
#include "tests/support/PostgresServer.h"

using namespace testing;

namespace {

class JobStoreTest : public Test {
 protected:
  static void SetUpTestSuite() { server_ = new PostgresServer; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Started()) << server_->Problem();
    static int databases = 0;
    url_ = server_->NewDatabase("jobs" + std::to_string(++databases));
    ASSERT_FALSE(url_.empty()) << server_->Problem();
  }

  std::unique_ptr<store::JobStore> Open() {
    std::string problem;
    std::unique_ptr<store::JobStore> jobs =
        store::JobStore::Open(url_, store::Access::kWrite, true, problem);
    EXPECT_TRUE(jobs) << problem;
    return jobs;
  }

  static store::PollerIdentity Poller(const std::string& name, double lease,
                                      std::vector<std::string> regions = {"a"}) {
    store::PollerIdentity poller;
    poller.name = name;
    poller.regions = std::move(regions);
    poller.host = "test";
    poller.pid = getpid();
    poller.leaseSeconds = lease;
    return poller;
  }

  static std::vector<store::JobToQueue> Devices(const std::vector<std::string>& regions) {
    std::vector<store::JobToQueue> devices;
    for (const std::string& region : regions) {
      const std::string name = "d" + std::to_string(devices.size() + 1);
      devices.push_back(
          {name, "10.0.0." + std::to_string(devices.size() + 1), region, "devices: []"});
    }
    return devices;
  }

  static store::ClaimedJob ClaimOne(store::JobStore& jobs, const store::PollerIdentity& poller) {
    std::vector<store::ClaimedJob> claimed;
    std::string problem;
    EXPECT_TRUE(jobs.Claim(poller, 1, claimed, problem)) << problem;
    return claimed.empty() ? store::ClaimedJob() : claimed[0];
  }

  static store::DeviceOutcome Outcome(const store::ClaimedJob& job, const std::string& status) {
    store::DeviceOutcome outcome;
    outcome.name = job.device;
    outcome.source = "10.0.0.9";
    outcome.status = status;
    return outcome;
  }

  static void Lapse(double seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
  }

  static PostgresServer* server_;
  std::string url_;
};

PostgresServer* JobStoreTest::server_ = nullptr;

TEST_F(JobStoreTest, ALateResultIsRefusedAndEachDeviceIsStoredOnce) {
  std::unique_ptr<store::JobStore> jobs = Open();
  int64_t run = 0, open = 0;
  std::string problem;
  ASSERT_TRUE(jobs->Queue("/inv.yaml", Devices({"a", "a", "b"}), run, open, problem)) << problem;
  const store::PollerIdentity hung = Poller("hung", 0.3), other = Poller("other", 30);
  const store::PollerIdentity east = Poller("east", 30, {"b"});

  const store::ClaimedJob first = ClaimOne(*jobs, hung);
  EXPECT_EQ(first.device, "d1");
  EXPECT_EQ(first.attempt, 1);
  const store::ClaimedJob d2 = ClaimOne(*jobs, other);
  EXPECT_EQ(d2.device, "d2");  // d1 is held
  const store::ClaimedJob d3 = ClaimOne(*jobs, east);
  EXPECT_EQ(d3.device, "d3");  // only its region's
  Lapse(0.5);
  const store::ClaimedJob again = ClaimOne(*jobs, other);
  EXPECT_EQ(again.device, "d1");
  EXPECT_EQ(again.attempt, 2);

  // The first poller comes back: its lease is gone, its result is refused.
  std::vector<store::ClaimedJob> lost;
  ASSERT_TRUE(jobs->Renew(hung, {first}, lost, problem)) << problem;
  ASSERT_THAT(lost, SizeIs(1));
  bool held = true;
  ASSERT_TRUE(jobs->Finish(hung, first, Outcome(first, "ok"), nullptr, held, problem)) << problem;
  EXPECT_FALSE(held);
  // Nor may the new holder's attempt be claimed by the old one's name.
  store::ClaimedJob forged = again;
  ASSERT_TRUE(jobs->Finish(hung, forged, Outcome(forged, "ok"), nullptr, held, problem));
  EXPECT_FALSE(held);
  ASSERT_TRUE(jobs->Finish(other, again, Outcome(again, "ok"), nullptr, held, problem)) << problem;
  EXPECT_TRUE(held);
  ASSERT_TRUE(jobs->Finish(other, again, Outcome(again, "ok"), nullptr, held, problem)) << problem;
  EXPECT_FALSE(held) << "a job ends once";

  // The run ends with its last job, not before.
  store::RunOverview counts;
  ASSERT_TRUE(jobs->RunCounts(run, counts, problem)) << problem;
  EXPECT_TRUE(counts.open);
  ASSERT_THAT(counts.regions, SizeIs(2));
  EXPECT_EQ(counts.regions[0].region, "a");
  EXPECT_EQ(counts.regions[0].ok, 1);
  EXPECT_EQ(counts.regions[0].running, 1);
  EXPECT_EQ(counts.regions[1].running, 1);

  // Handed back, a job is waiting again and its attempt not counted.
  ASSERT_TRUE(jobs->HandBack(east, d3, problem)) << problem;
  const store::ClaimedJob d3again = ClaimOne(*jobs, east);
  EXPECT_EQ(d3again.device, "d3");
  EXPECT_EQ(d3again.attempt, 1);
  ASSERT_TRUE(jobs->Finish(east, d3again, Outcome(d3again, "failed"), nullptr, held, problem))
      << problem;
  ASSERT_TRUE(jobs->Finish(other, d2, Outcome(d2, "partial"), nullptr, held, problem)) << problem;
  EXPECT_TRUE(held);
  ASSERT_TRUE(jobs->RunCounts(run, counts, problem)) << problem;
  EXPECT_FALSE(counts.open);
  EXPECT_TRUE(counts.run.finishedAt);
  EXPECT_THAT(counts.statuses, ElementsAre(Pair("failed", 1), Pair("ok", 1), Pair("partial", 1)));
}

TEST_F(JobStoreTest, PollersStoringDevicesOfOneRunAtOnceNeverDeadlock) {
  std::unique_ptr<store::JobStore> jobs = Open();
  int64_t run = 0, open = 0;
  std::string problem;
  ASSERT_TRUE(
      jobs->Queue("/inv.yaml", Devices(std::vector<std::string>(60, "a")), run, open, problem));
  std::vector<std::string> problems(3);
  std::vector<int> stored(3);
  std::vector<std::thread> pollers;
  pollers.reserve(3);
  for (int i = 0; i < 3; ++i) {
    pollers.emplace_back([&, i] {
      const store::PollerIdentity me = Poller("p" + std::to_string(i), 30);
      std::unique_ptr<store::JobStore> own =
          store::JobStore::Open(url_, store::Access::kWrite, true, problems[i]);
      std::vector<store::ClaimedJob> claimed;
      while (own && own->Claim(me, 2, claimed, problems[i]) && !claimed.empty()) {
        for (const store::ClaimedJob& job : claimed) {
          bool held = false;
          if (!own->Finish(me, job, Outcome(job, "ok"), nullptr, held, problems[i])) return;
          stored[i] += held;
        }
      }
    });
  }
  for (std::thread& poller : pollers) poller.join();
  EXPECT_EQ(problems, std::vector<std::string>(3));
  EXPECT_EQ(stored[0] + stored[1] + stored[2], 60);
  store::RunOverview counts;
  ASSERT_TRUE(jobs->RunCounts(run, counts, problem)) << problem;
  EXPECT_TRUE(counts.run.finishedAt);
}

TEST_F(JobStoreTest, ADeviceFailsWhenThreePollersStoppedOnIt) {
  std::unique_ptr<store::JobStore> jobs = Open();
  int64_t run = 0, open = 0;
  std::string problem;
  ASSERT_TRUE(jobs->Queue("/inv.yaml", Devices({"a"}), run, open, problem)) << problem;
  for (const char* name : {"p1", "p2", "p3"}) {
    EXPECT_EQ(ClaimOne(*jobs, Poller(name, 0.2)).device, "d1");
    Lapse(0.3);
  }
  int64_t pending = -1;
  ASSERT_TRUE(jobs->Pending(Poller("p4", 30), pending, problem)) << problem;
  EXPECT_EQ(pending, 0);
  std::unique_ptr<store::Store> results = store::OpenStore(url_, store::Access::kRead, problem);
  ASSERT_TRUE(results) << problem;
  std::vector<store::StoredDevice> devices;
  ASSERT_TRUE(results->LoadDevices(run, devices, problem)) << problem;
  ASSERT_THAT(devices, SizeIs(1));
  EXPECT_EQ(devices[0].status, "failed");
  EXPECT_EQ(devices[0].problem, "3 pollers stopped while discovering it: p1, p2, p3");
  store::RunOverview counts;
  ASSERT_TRUE(jobs->RunCounts(run, counts, problem)) << problem;
  EXPECT_TRUE(counts.run.finishedAt);
}

TEST_F(JobStoreTest, OneOpenRunPerInventoryEvenWhenQueuedTwiceAtOnce) {
  std::vector<int64_t> runs(2), open(2);
  std::vector<std::string> problems(2);
  std::vector<std::thread> queues;
  queues.reserve(2);
  for (int i = 0; i < 2; ++i) {
    queues.emplace_back([&, i] {
      std::unique_ptr<store::JobStore> jobs =
          store::JobStore::Open(url_, store::Access::kWrite, true, problems[i]);
      if (jobs) jobs->Queue("/inv.yaml", Devices({"a", "b"}), runs[i], open[i], problems[i]);
    });
  }
  for (std::thread& queue : queues) queue.join();
  EXPECT_EQ(problems, std::vector<std::string>(2));
  const int winner = runs[0] != 0 ? 0 : 1;
  EXPECT_NE(runs[winner], 0);
  EXPECT_EQ(runs[1 - winner], 0);
  EXPECT_EQ(open[1 - winner], runs[winner]);

  std::unique_ptr<store::JobStore> jobs = Open();
  int64_t run = 0, openRun = 0;
  std::string problem;
  ASSERT_TRUE(jobs->Queue("/other.yaml", Devices({"a"}), run, openRun, problem)) << problem;
  EXPECT_EQ(openRun, 0);
  std::vector<store::RunOverview> overview;
  std::vector<store::PollerState> pollers;
  ASSERT_TRUE(jobs->Overview(overview, pollers, problem)) << problem;
  EXPECT_THAT(overview, SizeIs(2));

  // A file store shares no runs.
  EXPECT_FALSE(store::JobStore::Open("/tmp/fleet.db", store::Access::kWrite, true, problem));
  EXPECT_EQ(problem,
            "/tmp/fleet.db: runs shared by pollers need a PostgreSQL store (--store "
            "postgresql://...); a store in a file serves one machine's fleet run");
}

TEST_F(JobStoreTest, TwoLivePollersOfOneNameAreRefused) {
  std::unique_ptr<store::JobStore> jobs = Open();
  std::string problem;
  store::PollerIdentity first = Poller("eu-1", 0.3), second = Poller("eu-1", 30);
  second.pid = first.pid + 1;
  ASSERT_TRUE(jobs->RegisterPoller(first, problem)) << problem;
  EXPECT_FALSE(jobs->RegisterPoller(second, problem));
  EXPECT_THAT(problem, EndsWith(": a poller named eu-1 is already running (on test, process " +
                                std::to_string(first.pid) + "): give this one another --name"));
  std::vector<store::RunOverview> runs;
  std::vector<store::PollerState> pollers;
  ASSERT_TRUE(jobs->Overview(runs, pollers, problem)) << problem;
  ASSERT_THAT(pollers, SizeIs(1));
  EXPECT_TRUE(pollers[0].alive);
  Lapse(0.5);  // the first one's heartbeat stopped
  ASSERT_TRUE(jobs->Overview(runs, pollers, problem)) << problem;
  EXPECT_FALSE(pollers[0].alive);
  EXPECT_TRUE(jobs->RegisterPoller(second, problem)) << problem;
}

}  // namespace
