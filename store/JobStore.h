// Runs that several pollers share, in a PostgreSQL store: a run is queued as
// one job per device, and pollers take the jobs of their regions. A job is
// held by a lease (its poller, an attempt number and a lease end, renewed by
// the poller's heartbeat), not by a connection; a lease that ran out puts the
// job back in its region's queue for the next poller, and after kAttempts
// such ends the device is stored as failed. A poller stores a device only
// while it still holds the job's lease, checked in the transaction that
// stores it: a device is stored once per run, whatever dies when.
//
//   std::unique_ptr<store::JobStore> jobs;
//   Status opened = store::JobStore::Open(url, store::Access::kWrite, true).Into(jobs);
//   Result<store::QueuedRun> queued = jobs->Queue(inventory, toQueue);   // queue
//   Status registered = jobs->RegisterPoller(me);                       // poller
//   Result<std::vector<store::ClaimedJob>> claimed = jobs->Claim(me, 2);
//   Result<std::vector<store::ClaimedJob>> lost = jobs->Renew(me, claimed.value());  // heartbeat
//   Status stored = jobs->Finish(me, claimed.value()[0], outcome, &report, held);
//
// Every function fails with a message (a line naming the store) when the
// store cannot be used, as store::Store does.
#ifndef STORE_JOBSTORE_H_
#define STORE_JOBSTORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/ReportModel.h"
#include "status/Result.h"
#include "status/Status.h"
#include "store/Store.h"

namespace store {

class SqlDatabase;
class PostgresDatabase;

// A device ends failed after this many pollers stopped while holding it.
const int kAttempts = 3;

struct JobToQueue {
  std::string device;
  std::string source;  // as DeviceOutcome::source
  std::string region;
  std::string settings;  // the device's inventory keys as text: names of variables, never secrets
};

struct ClaimedJob {
  int64_t id = 0;
  int64_t runId = 0;
  int64_t attempt = 0;  // 1 for the first poller to take it
  std::string device;
  std::string source;
  std::string region;
  std::string settings;
};

struct PollerIdentity {
  std::string name;
  std::vector<std::string> regions;
  std::string host;
  int64_t pid = 0;
  double leaseSeconds = 30;
};

// Devices of a run in one region, by where they are.
struct RegionCounts {
  std::string region;  // "" for devices of a run that was not queued
  int64_t waiting = 0;
  int64_t running = 0;
  int64_t ok = 0;
  int64_t notOk = 0;  // stored with any status but ok
};

struct RunOverview {
  StoredRun run;
  bool queued = false;                // its devices were jobs for pollers
  bool open = false;                  // queued, with jobs still waiting or running
  std::vector<RegionCounts> regions;  // by region
  std::vector<std::pair<std::string, int64_t>> statuses;  // stored devices by status
};

struct PollerState {
  std::string name;
  std::string regions;  // ", " between
  std::string host;
  int64_t pid = 0;
  std::string heartbeat;  // UTC, "YYYY-MM-DD HH:MM:SS"
  bool alive = false;     // its heartbeat is not older than its lease
};

// What Queue did: `runId` is the run queued, or 0 when nothing was, as the
// inventory's run `openRun` is still open.
struct QueuedRun {
  int64_t runId = 0;
  int64_t openRun = 0;
};

// Every run with its counts, oldest first, and the pollers by name.
struct JobsOverview {
  std::vector<RunOverview> runs;
  std::vector<PollerState> pollers;
};

class JobStore {
 public:
  // Opens the store at `where` (Store.h's OpenStore). Jobs are handed out
  // only by a PostgreSQL store: with `jobs` true an SQLite file is refused.
  static Result<std::unique_ptr<JobStore>> Open(const std::string& where, Access access, bool jobs);
  ~JobStore();

  const std::string& Where() const;

  // A new run of `inventory` and a waiting job per device, in one
  // transaction, and a wake-up for the pollers. While the inventory's last
  // queued run is still open, nothing is queued (QueuedRun::openRun).
  Result<QueuedRun> Queue(const std::string& inventory, const std::vector<JobToQueue>& jobs);

  // Refused (the failure says so) while a poller of the same name is alive.
  Status RegisterPoller(const PollerIdentity& poller);
  // Takes the poller off the list of pollers.
  Status UnregisterPoller(const PollerIdentity& poller);
  // The poller's heartbeat, and its leases renewed: the jobs of `held` whose
  // lease it no longer holds.
  Result<std::vector<ClaimedJob>> Renew(const PollerIdentity& poller,
                                        const std::vector<ClaimedJob>& held);
  // Puts back in their region's queue the jobs of the poller's regions whose
  // lease ran out (storing as failed those that have had kAttempts), then
  // takes up to `most` waiting jobs of its regions.
  Result<std::vector<ClaimedJob>> Claim(const PollerIdentity& poller, int most);
  // Stores the device and ends its job, in one transaction, if the poller
  // still holds the job's lease; `held` says whether it did (nothing is
  // stored when not). The run is finished with its last job.
  Status Finish(const PollerIdentity& poller, const ClaimedJob& job, const DeviceOutcome& outcome,
                const report::Report* found, bool& held);
  // A job the poller will not discover back in its queue, as if never taken.
  Status HandBack(const PollerIdentity& poller, const ClaimedJob& job);
  // Jobs of the regions waiting or running (leases out of date put back first).
  Result<int64_t> Pending(const PollerIdentity& poller);

  // Waits up to `milliseconds` for a wake-up of Queue; fails only when the
  // store cannot be used.
  Status WaitForJobs(int milliseconds);

  Result<JobsOverview> Overview();
  // The pollers by name.
  Result<std::vector<PollerState>> Pollers();
  // One run's counts; its `run.id` is 0 when there is no such run.
  Result<RunOverview> RunCounts(int64_t runId);

 private:
  JobStore(std::unique_ptr<SqlDatabase> db, PostgresDatabase* postgres);
  template <typename Work>
  Status Do(const std::string& what, Work work);

  std::unique_ptr<SqlDatabase> db_;
  PostgresDatabase* postgres_;  // the same connection, when PostgreSQL; else null
  bool listening_ = false;
};

}  // namespace store

#endif  // STORE_JOBSTORE_H_
