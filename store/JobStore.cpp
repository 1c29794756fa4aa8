#include "store/JobStore.h"

#include <algorithm>
#include <map>

#include "store/DeviceWriter.h"
#include "store/PostgresSchema.h"
#include "store/Schema.h"
#include "store/SqlStore.h"
#include "store/StoredDevice.h"
#include "version/Version.h"

namespace store {
namespace {

const char kChannel[] = "erx_discover_jobs";

// A PostgreSQL array of region names (letters, digits, '.', '_', '-': the
// inventory's rule), bound as text and cast in the SQL.
std::string RegionArray(const std::vector<std::string>& regions) {
  std::string array = "{";
  for (const std::string& region : regions) {
    if (array.size() > 1) array += ",";
    array += "\"" + region + "\"";
  }
  return array + "}";
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
  return joined;
}

// Finishes the run when none of its jobs is waiting or running. The run's row
// is locked first, so that of two pollers ending its last two jobs at once
// the second sees the first's; with the lock an update takes, not FOR UPDATE,
// which would wait for the key-share locks that the writers' devices rows
// hold on it, while they wait for this one.
void FinishRunIfDone(SqlDatabase& db, int64_t runId) {
  Statement lock(db, "SELECT id FROM runs WHERE id = ? FOR NO KEY UPDATE");
  lock.Bind(runId).Next();
  Statement finish(db,
                   "UPDATE runs SET finished_at = ? WHERE id = ? AND finished_at IS NULL AND NOT "
                   "EXISTS (SELECT 1 FROM jobs WHERE run_id = ? AND state IN ('waiting', "
                   "'running'))");
  finish.Bind(UtcNow()).Bind(runId).Bind(runId).Run();
}

// The jobs of the regions whose lease ran out: back to waiting, or failed
// and stored so after kAttempts. Rows another poller is handling now are
// left to it.
void PutBackLapsedJobs(SqlDatabase& db, const std::vector<std::string>& regions) {
  Statement lapsed(db,
                   "UPDATE jobs SET state = CASE WHEN attempt >= ? THEN 'failed' ELSE 'waiting' "
                   "END, stopped_pollers = CASE WHEN stopped_pollers = '' THEN poller ELSE "
                   "stopped_pollers || ', ' || poller END, lease_end = NULL WHERE id IN (SELECT "
                   "id FROM jobs WHERE state = 'running' AND lease_end < now() AND region = "
                   "ANY(CAST(? AS text[])) ORDER BY id FOR UPDATE SKIP LOCKED) RETURNING id, "
                   "run_id, device, source, state, stopped_pollers");
  struct Failed {
    int64_t runId;
    DeviceOutcome outcome;
  };
  std::vector<Failed> failed;
  for (lapsed.Bind(kAttempts).Bind(RegionArray(regions)); lapsed.Next();) {
    if (lapsed.Text(4) != "failed") continue;
    DeviceOutcome outcome;
    outcome.name = lapsed.Text(2);
    outcome.source = lapsed.Text(3);
    outcome.status = "failed";
    outcome.problem =
        std::to_string(kAttempts) + " pollers stopped while discovering it: " + lapsed.Text(5);
    failed.push_back({lapsed.Int(1), outcome});
  }
  for (const Failed& device : failed) {
    WriteDevice(db, device.runId, device.outcome, nullptr);
    FinishRunIfDone(db, device.runId);
  }
}

}  // namespace

JobStore::JobStore(std::unique_ptr<SqlDatabase> db, PostgresDatabase* postgres)
    : db_(std::move(db)), postgres_(postgres) {}

JobStore::~JobStore() = default;

const std::string& JobStore::Where() const { return db_->Where(); }

Result<std::unique_ptr<JobStore>> JobStore::Open(const std::string& where, Access access,
                                                 bool jobs) {
  if (!IsPostgresLocation(where)) {
    if (jobs) {
      return Status::Failure(
          where +
          ": runs shared by pollers need a PostgreSQL store (--store postgresql://...); "
          "a store in a file serves one machine's fleet run");
    }
    std::unique_ptr<SqlDatabase> db;
    if (Status opened = OpenSqliteStore(where, access).Into(db); !opened.ok()) return opened;
    return std::unique_ptr<JobStore>(new JobStore(std::move(db), nullptr));
  }
  std::unique_ptr<PostgresDatabase> db;
  if (Status opened = OpenPostgresStore(where, access).Into(db); !opened.ok()) return opened;
  PostgresDatabase* postgres = db.get();
  return std::unique_ptr<JobStore>(new JobStore(std::move(db), postgres));
}

template <typename Work>
Status JobStore::Do(const std::string& what, Work work) {
  try {
    if (what.empty()) {
      work();
      return Status();
    }
    Transaction transaction(*db_);
    if (work()) transaction.Commit();
    return Status();
  } catch (const StoreError& error) {
    return Status::Failure(Where() + ": " + (what.empty() ? "" : what + ": ") + error.what());
  }
}

Result<QueuedRun> JobStore::Queue(const std::string& inventory,
                                  const std::vector<JobToQueue>& jobs) {
  int64_t runId = 0;
  int64_t openRun = 0;
  const Status queued = Do("queueing a run", [&] {
    // Two queues of one inventory at once: the second waits here, then
    // finds the first's run open.
    db_->Execute("SELECT pg_advisory_xact_lock(4542445301)");
    Statement open(
        *db_,
        "SELECT id FROM runs WHERE inventory = ? AND EXISTS (SELECT 1 FROM jobs WHERE "
        "run_id = runs.id AND state IN ('waiting', 'running')) ORDER BY id DESC LIMIT 1");
    if (open.Bind(inventory).Next()) {
      openRun = open.Int(0);
      return false;
    }
    Statement run(*db_,
                  "INSERT INTO runs(started_at, inventory, program_version) VALUES (?, ?, ?)"
                  " RETURNING id");
    runId = run.Bind(UtcNow()).Bind(inventory).Bind(version::Line("erx-discover")).Insert();
    Statement job(*db_,
                  "INSERT INTO jobs(run_id, device, source, region, settings, state) VALUES (?, "
                  "?, ?, ?, ?, 'waiting') RETURNING id");
    for (const JobToQueue& device : jobs) {
      job.Reset().Bind(runId).Bind(device.device).Bind(device.source).Bind(device.region);
      job.Bind(device.settings).Insert();
    }
    db_->Execute((std::string("NOTIFY ") + kChannel).c_str());
    return true;
  });
  if (!queued.ok()) return queued;
  return QueuedRun{runId, openRun};
}

Status JobStore::RegisterPoller(const PollerIdentity& poller) {
  std::string running;
  bool added = false;
  Status done = Do("registering poller " + poller.name, [&] {
    Statement add(*db_,
                  "INSERT INTO pollers(name, regions, host, pid, lease_seconds, started_at, "
                  "heartbeat) VALUES (?, ?, ?, ?, ?, now(), now()) ON CONFLICT (name) DO UPDATE "
                  "SET regions = EXCLUDED.regions, host = EXCLUDED.host, pid = EXCLUDED.pid, "
                  "lease_seconds = EXCLUDED.lease_seconds, started_at = now(), heartbeat = now() "
                  "WHERE pollers.heartbeat + pollers.lease_seconds * interval '1 second' < now() "
                  "RETURNING name");
    add.Bind(poller.name).Bind(Joined(poller.regions)).Bind(poller.host).Bind(poller.pid);
    added = add.Bind(poller.leaseSeconds).Next();
    if (added) return true;
    Statement other(*db_, "SELECT host, pid FROM pollers WHERE name = ?");
    if (other.Bind(poller.name).Next()) {
      running = " (on " + other.Text(0) + ", process " + std::to_string(other.Int(1)) + ")";
    }
    return false;
  });
  if (done.ok() && !added) {
    return Status::Failure(Where() + ": a poller named " + poller.name + " is already running" +
                           running + ": give this one another --name");
  }
  return done;
}

Status JobStore::UnregisterPoller(const PollerIdentity& poller) {
  return Do("taking poller " + poller.name + " off", [&] {
    Statement remove(*db_, "DELETE FROM pollers WHERE name = ? AND host = ? AND pid = ?");
    remove.Bind(poller.name).Bind(poller.host).Bind(poller.pid).Run();
    return true;
  });
}

Result<std::vector<ClaimedJob>> JobStore::Renew(const PollerIdentity& poller,
                                                const std::vector<ClaimedJob>& held) {
  std::vector<ClaimedJob> gone;
  const Status done = Do("renewing the leases of " + poller.name, [&] {
    Statement beat(*db_,
                   "UPDATE pollers SET heartbeat = now() WHERE name = ? AND host = ? AND pid = ?");
    beat.Bind(poller.name).Bind(poller.host).Bind(poller.pid).Run();
    Statement renew(*db_,
                    "UPDATE jobs SET lease_end = now() + CAST(? AS double precision) * interval '1 "
                    "second' WHERE id = ? AND "
                    "poller = ? AND attempt = ? AND state = 'running' AND lease_end > now() "
                    "RETURNING id");
    for (const ClaimedJob& job : held) {
      renew.Reset().Bind(poller.leaseSeconds).Bind(job.id).Bind(poller.name).Bind(job.attempt);
      if (!renew.Next()) gone.push_back(job);
    }
    return true;
  });
  if (!done.ok()) return done;
  return gone;
}

Result<std::vector<ClaimedJob>> JobStore::Claim(const PollerIdentity& poller, int most) {
  std::vector<ClaimedJob> taken;
  const Status done = Do("claiming jobs for " + poller.name, [&] {
    PutBackLapsedJobs(*db_, poller.regions);
    Statement claim(*db_,
                    "UPDATE jobs SET state = 'running', poller = ?, attempt = attempt + 1, "
                    "lease_end = now() + CAST(? AS double precision) * interval '1 second' WHERE "
                    "id IN (SELECT id FROM jobs "
                    "WHERE state = 'waiting' AND region = ANY(CAST(? AS text[])) ORDER BY id LIMIT "
                    "? FOR UPDATE SKIP LOCKED) RETURNING id, run_id, attempt, device, source, "
                    "region, settings");
    claim.Bind(poller.name).Bind(poller.leaseSeconds).Bind(RegionArray(poller.regions)).Bind(most);
    while (claim.Next()) {
      ClaimedJob job;
      job.id = claim.Int(0);
      job.runId = claim.Int(1);
      job.attempt = claim.Int(2);
      job.device = claim.Text(3);
      job.source = claim.Text(4);
      job.region = claim.Text(5);
      job.settings = claim.Text(6);
      taken.push_back(std::move(job));
    }
    return true;
  });
  std::sort(taken.begin(), taken.end(),
            [](const ClaimedJob& a, const ClaimedJob& b) { return a.id < b.id; });
  if (!done.ok()) return done;
  return taken;
}

Status JobStore::Finish(const PollerIdentity& poller, const ClaimedJob& job,
                        const DeviceOutcome& outcome, const report::Report* found, bool& held) {
  held = false;
  return Do("storing " + job.device, [&] {
    Statement fence(*db_,
                    "SELECT run_id FROM jobs WHERE id = ? AND poller = ? AND attempt = ? AND "
                    "state = 'running' AND lease_end > now() FOR UPDATE");
    if (!fence.Bind(job.id).Bind(poller.name).Bind(job.attempt).Next()) return false;
    held = true;
    WriteDevice(*db_, job.runId, outcome, found);
    Statement end(*db_, "UPDATE jobs SET state = ?, lease_end = NULL WHERE id = ?");
    end.Bind(outcome.status == "failed" ? "failed" : "done").Bind(job.id).Run();
    FinishRunIfDone(*db_, job.runId);
    return true;
  });
}

Status JobStore::HandBack(const PollerIdentity& poller, const ClaimedJob& job) {
  return Do("handing back " + job.device, [&] {
    Statement back(*db_,
                   "UPDATE jobs SET state = 'waiting', poller = NULL, attempt = attempt - 1, "
                   "lease_end = NULL WHERE id = ? AND poller = ? AND attempt = ? AND state = "
                   "'running'");
    back.Bind(job.id).Bind(poller.name).Bind(job.attempt).Run();
    db_->Execute((std::string("NOTIFY ") + kChannel).c_str());
    return true;
  });
}

Result<int64_t> JobStore::Pending(const PollerIdentity& poller) {
  int64_t pending = 0;
  const Status done = Do("counting the jobs of " + poller.name, [&] {
    PutBackLapsedJobs(*db_, poller.regions);
    Statement count(*db_,
                    "SELECT count(*) FROM jobs WHERE state IN ('waiting', 'running') AND region = "
                    "ANY(CAST(? AS text[]))");
    count.Bind(RegionArray(poller.regions)).Next();
    pending = count.Int(0);
    return true;
  });
  if (!done.ok()) return done;
  return pending;
}

Status JobStore::WaitForJobs(int milliseconds) {
  return Do("", [&] {
    if (!postgres_) return true;
    if (!listening_) {
      db_->Execute((std::string("LISTEN ") + kChannel).c_str());
      listening_ = true;
    }
    postgres_->WaitForNotification(milliseconds);
    return true;
  });
}

Result<RunOverview> JobStore::RunCounts(int64_t runId) {
  RunOverview run;
  const Status done = Do("", [&] {
    const std::optional<StoredRun> stored = LoadRun(*db_, runId);
    if (!stored) return true;
    run.run = *stored;
    std::map<std::string, RegionCounts> regions;
    Statement jobs(*db_,
                   "SELECT j.region, j.state, d.status, count(*) FROM jobs j LEFT JOIN devices d "
                   "ON d.run_id = j.run_id AND d.name = j.device WHERE j.run_id = ? GROUP BY "
                   "j.region, j.state, d.status");
    for (jobs.Bind(runId); jobs.Next();) {
      RegionCounts& counts = regions[jobs.Text(0)];
      counts.region = jobs.Text(0);
      const std::string state = jobs.Text(1);
      const int64_t n = jobs.Int(3);
      if (state == "waiting") {
        counts.waiting += n;
      } else if (state == "running") {
        counts.running += n;
      } else if (jobs.Text(2) == "ok") {
        counts.ok += n;
      } else {
        counts.notOk += n;
      }
      run.queued = true;
      run.open = run.open || state == "waiting" || state == "running";
    }
    Statement statuses(*db_,
                       "SELECT status, count(*) FROM devices WHERE run_id = ? GROUP BY status "
                       "ORDER BY status");
    for (statuses.Bind(runId); statuses.Next();) {
      run.statuses.emplace_back(statuses.Text(0), statuses.Int(1));
    }
    if (!run.queued) {
      RegionCounts all;
      for (const auto& [status, n] : run.statuses) (status == "ok" ? all.ok : all.notOk) += n;
      regions[""] = all;
    }
    for (auto& entry : regions) run.regions.push_back(std::move(entry.second));
    return true;
  });
  if (!done.ok()) return done;
  return run;
}

Result<JobsOverview> JobStore::Overview() {
  std::vector<StoredRun> stored;
  const Status listed = Do("", [&] {
    stored = LoadRuns(*db_);
    return true;
  });
  if (!listed.ok()) return listed;
  JobsOverview overview;
  for (const StoredRun& run : stored) {
    Result<RunOverview> counts = RunCounts(run.id);
    if (!counts.ok()) return counts.status();
    overview.runs.push_back(std::move(counts.value()));
  }
  Result<std::vector<PollerState>> pollers = Pollers();
  if (!pollers.ok()) return pollers.status();
  overview.pollers = std::move(pollers.value());
  return overview;
}

Result<std::vector<PollerState>> JobStore::Pollers() {
  std::vector<PollerState> found;
  const Status done = Do("", [&] {
    Statement list(*db_, postgres_ ? "SELECT name, regions, host, pid, to_char(heartbeat AT TIME "
                                     "ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), heartbeat + "
                                     "lease_seconds * interval '1 second' >= now() FROM pollers "
                                     "ORDER BY name"
                                   : "SELECT name, regions, host, pid, heartbeat, 0 FROM pollers "
                                     "ORDER BY name");
    while (list.Next()) {
      PollerState poller;
      poller.name = list.Text(0);
      poller.regions = list.Text(1);
      poller.host = list.Text(2);
      poller.pid = list.Int(3);
      poller.heartbeat = list.Text(4);
      const std::string alive = list.Text(5);
      poller.alive = alive == "t" || alive == "1";
      found.push_back(std::move(poller));
    }
    return true;
  });
  if (!done.ok()) return done;
  return found;
}

}  // namespace store
