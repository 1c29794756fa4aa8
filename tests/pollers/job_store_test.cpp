// Jobs of shared runs in a PostgreSQL store of the tests' own: one run per
// inventory at a time, leases that lapse, fencing of late results, a device
// failed after three pollers stopped on it, and poller names.
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pollers/QueueRun.h"
#include "store/JobStore.h"
#include "store/Store.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/TempFolder.h"

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
    std::unique_ptr<store::JobStore> jobs;
    const Status opened = store::JobStore::Open(url_, store::Access::kWrite, true).Into(jobs);
    EXPECT_TRUE(jobs) << opened.message();
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
    const Result<std::vector<store::ClaimedJob>> claimed = jobs.Claim(poller, 1);
    EXPECT_TRUE(claimed.ok()) << claimed.message();
    return claimed.value().empty() ? store::ClaimedJob() : claimed.value()[0];
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
  const Result<store::QueuedRun> queued = jobs->Queue("/inv.yaml", Devices({"a", "a", "b"}));
  ASSERT_TRUE(queued.ok()) << queued.message();
  const int64_t run = queued.value().runId;
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
  const Result<std::vector<store::ClaimedJob>> lost = jobs->Renew(hung, {first});
  ASSERT_TRUE(lost.ok()) << lost.message();
  ASSERT_THAT(lost.value(), SizeIs(1));
  bool held = true;
  Status done = jobs->Finish(hung, first, Outcome(first, "ok"), nullptr, held);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_FALSE(held);
  // Nor may the new holder's attempt be claimed by the old one's name.
  store::ClaimedJob forged = again;
  ASSERT_TRUE(jobs->Finish(hung, forged, Outcome(forged, "ok"), nullptr, held).ok());
  EXPECT_FALSE(held);
  done = jobs->Finish(other, again, Outcome(again, "ok"), nullptr, held);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_TRUE(held);
  done = jobs->Finish(other, again, Outcome(again, "ok"), nullptr, held);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_FALSE(held) << "a job ends once";

  // The run ends with its last job, not before.
  store::RunOverview counts;
  done = jobs->RunCounts(run).Into(counts);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_TRUE(counts.open);
  ASSERT_THAT(counts.regions, SizeIs(2));
  EXPECT_EQ(counts.regions[0].region, "a");
  EXPECT_EQ(counts.regions[0].ok, 1);
  EXPECT_EQ(counts.regions[0].running, 1);
  EXPECT_EQ(counts.regions[1].running, 1);

  // Handed back, a job is waiting again and its attempt not counted.
  done = jobs->HandBack(east, d3);
  ASSERT_TRUE(done.ok()) << done.message();
  const store::ClaimedJob d3again = ClaimOne(*jobs, east);
  EXPECT_EQ(d3again.device, "d3");
  EXPECT_EQ(d3again.attempt, 1);
  done = jobs->Finish(east, d3again, Outcome(d3again, "failed"), nullptr, held);
  ASSERT_TRUE(done.ok()) << done.message();
  done = jobs->Finish(other, d2, Outcome(d2, "partial"), nullptr, held);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_TRUE(held);
  done = jobs->RunCounts(run).Into(counts);
  ASSERT_TRUE(done.ok()) << done.message();
  EXPECT_FALSE(counts.open);
  EXPECT_TRUE(counts.run.finishedAt);
  EXPECT_THAT(counts.statuses, ElementsAre(Pair("failed", 1), Pair("ok", 1), Pair("partial", 1)));
}

TEST_F(JobStoreTest, PollersStoringDevicesOfOneRunAtOnceNeverDeadlock) {
  std::unique_ptr<store::JobStore> jobs = Open();
  const Result<store::QueuedRun> queued =
      jobs->Queue("/inv.yaml", Devices(std::vector<std::string>(60, "a")));
  ASSERT_TRUE(queued.ok());
  const int64_t run = queued.value().runId;
  std::vector<std::string> problems(3);
  std::vector<int> stored(3);
  std::vector<std::thread> pollers;
  pollers.reserve(3);
  for (int i = 0; i < 3; ++i) {
    pollers.emplace_back([&, i] {
      const store::PollerIdentity me = Poller("p" + std::to_string(i), 30);
      std::unique_ptr<store::JobStore> own;
      problems[i] = store::JobStore::Open(url_, store::Access::kWrite, true).Into(own).message();
      while (own) {
        const Result<std::vector<store::ClaimedJob>> claimed = own->Claim(me, 2);
        problems[i] = claimed.message();
        if (!claimed.ok() || claimed.value().empty()) break;
        for (const store::ClaimedJob& job : claimed.value()) {
          bool held = false;
          const Status finished = own->Finish(me, job, Outcome(job, "ok"), nullptr, held);
          problems[i] = finished.message();
          if (!finished.ok()) return;
          stored[i] += held;
        }
      }
    });
  }
  for (std::thread& poller : pollers) poller.join();
  EXPECT_EQ(problems, std::vector<std::string>(3));
  EXPECT_EQ(stored[0] + stored[1] + stored[2], 60);
  const Result<store::RunOverview> counts = jobs->RunCounts(run);
  ASSERT_TRUE(counts.ok()) << counts.message();
  EXPECT_TRUE(counts.value().run.finishedAt);
}

TEST_F(JobStoreTest, ADeviceFailsWhenThreePollersStoppedOnIt) {
  std::unique_ptr<store::JobStore> jobs = Open();
  const Result<store::QueuedRun> queued = jobs->Queue("/inv.yaml", Devices({"a"}));
  ASSERT_TRUE(queued.ok()) << queued.message();
  const int64_t run = queued.value().runId;
  for (const char* name : {"p1", "p2", "p3"}) {
    EXPECT_EQ(ClaimOne(*jobs, Poller(name, 0.2)).device, "d1");
    Lapse(0.3);
  }
  const Result<int64_t> pending = jobs->Pending(Poller("p4", 30));
  ASSERT_TRUE(pending.ok()) << pending.message();
  EXPECT_EQ(pending.value(), 0);
  std::unique_ptr<store::Store> results;
  ASSERT_TRUE(store::OpenStore(url_, store::Access::kRead).Into(results).ok());
  const Result<std::vector<store::StoredDevice>> devices = results->LoadDevices(run);
  ASSERT_TRUE(devices.ok()) << devices.message();
  ASSERT_THAT(devices.value(), SizeIs(1));
  EXPECT_EQ(devices.value()[0].status, "failed");
  EXPECT_EQ(devices.value()[0].problem, "3 pollers stopped while discovering it: p1, p2, p3");
  const Result<store::RunOverview> counts = jobs->RunCounts(run);
  ASSERT_TRUE(counts.ok()) << counts.message();
  EXPECT_TRUE(counts.value().run.finishedAt);
}

TEST_F(JobStoreTest, OneOpenRunPerInventoryEvenWhenQueuedTwiceAtOnce) {
  std::vector<int64_t> runs(2), open(2);
  std::vector<std::string> problems(2);
  std::vector<std::thread> queues;
  queues.reserve(2);
  for (int i = 0; i < 2; ++i) {
    queues.emplace_back([&, i] {
      std::unique_ptr<store::JobStore> jobs;
      problems[i] = store::JobStore::Open(url_, store::Access::kWrite, true).Into(jobs).message();
      if (!jobs) return;
      const Result<store::QueuedRun> queued = jobs->Queue("/inv.yaml", Devices({"a", "b"}));
      problems[i] = queued.message();
      runs[i] = queued.value().runId;
      open[i] = queued.value().openRun;
    });
  }
  for (std::thread& queue : queues) queue.join();
  EXPECT_EQ(problems, std::vector<std::string>(2));
  const int winner = runs[0] != 0 ? 0 : 1;
  EXPECT_NE(runs[winner], 0);
  EXPECT_EQ(runs[1 - winner], 0);
  EXPECT_EQ(open[1 - winner], runs[winner]);

  std::unique_ptr<store::JobStore> jobs = Open();
  const Result<store::QueuedRun> queued = jobs->Queue("/other.yaml", Devices({"a"}));
  ASSERT_TRUE(queued.ok()) << queued.message();
  EXPECT_EQ(queued.value().openRun, 0);
  const Result<store::JobsOverview> overview = jobs->Overview();
  ASSERT_TRUE(overview.ok()) << overview.message();
  EXPECT_THAT(overview.value().runs, SizeIs(2));

  // `erx-discover queue` says so and queues nothing; nor for a device that no
  // poller would take.
  TempFolder folder;
  const std::string capture = ERX_SOURCE_DIR "/devices/pe1-erx";
  folder.Write("inv.yaml", "devices:\n  - {name: d1, region: a, capture: " + capture + "}\n");
  folder.Write("lost.yaml", "devices:\n  - {name: lost, capture: " + capture + "}\n");
  std::ostringstream out, log;
  const QueueOptions queue = {folder.File("inv.yaml"), url_};
  EXPECT_EQ(QueueRun(queue, out, log), FleetOutcome::kEveryDeviceDiscovered) << log.str();
  EXPECT_EQ(QueueRun(queue, out, log), FleetOutcome::kCannotStart);
  EXPECT_EQ(QueueRun({folder.File("lost.yaml"), url_}, out, log), FleetOutcome::kCannotStart);
  EXPECT_EQ(out.str(), "run 3 queued: 1 device in 1 region\n");
  EXPECT_THAT(log.str(), HasSubstr("inv.yaml: run 3 of this inventory is still open"));
  EXPECT_THAT(log.str(), HasSubstr("lost.yaml:2: device lost: no region"));

  // A file store shares no runs.
  EXPECT_EQ(store::JobStore::Open("/tmp/fleet.db", store::Access::kWrite, true).message(),
            "/tmp/fleet.db: runs shared by pollers need a PostgreSQL store (--store "
            "postgresql://...); a store in a file serves one machine's fleet run");
}

TEST_F(JobStoreTest, TwoLivePollersOfOneNameAreRefused) {
  std::unique_ptr<store::JobStore> jobs = Open();
  store::PollerIdentity first = Poller("eu-1", 0.3), second = Poller("eu-1", 30);
  second.pid = first.pid + 1;
  Status registered = jobs->RegisterPoller(first);
  ASSERT_TRUE(registered.ok()) << registered.message();
  registered = jobs->RegisterPoller(second);
  EXPECT_FALSE(registered.ok());
  EXPECT_THAT(registered.message(),
              EndsWith(": a poller named eu-1 is already running (on test, process " +
                       std::to_string(first.pid) + "): give this one another --name"));
  Result<store::JobsOverview> overview = jobs->Overview();
  ASSERT_TRUE(overview.ok()) << overview.message();
  ASSERT_THAT(overview.value().pollers, SizeIs(1));
  EXPECT_TRUE(overview.value().pollers[0].alive);
  Lapse(0.5);  // the first one's heartbeat stopped
  overview = jobs->Overview();
  ASSERT_TRUE(overview.ok()) << overview.message();
  EXPECT_FALSE(overview.value().pollers[0].alive);
  registered = jobs->RegisterPoller(second);
  EXPECT_TRUE(registered.ok()) << registered.message();
}

}  // namespace
