#include "pollers/Poller.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "discovery/SingleDevice.h"
#include "fleet/SecretsCheck.h"
#include "fleet/WorkerPool.h"
#include "fleet/WorkerResult.h"
#include "pollers/JobSettings.h"
#include "store/JobStore.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t gStop = 0;

void OnStop(int) { gStop = 1; }

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Seconds(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

const double kFirstPause = 0.5;
const double kLongestPause = 10;

// A claimed job and what became of it.
struct Held {
  store::ClaimedJob job;
  InventoryDevice device;
  Clock::time_point renewed;  // when its lease was last known to hold
  bool lost = false;          // its lease went to another poller
  std::optional<store::DeviceOutcome> outcome;
  std::optional<report::Report> found;
  bool handBack = false;
  bool settled = false;  // stored, handed back or lost: nothing more to do
};

class Poller {
 public:
  Poller(const PollerOptions& options, std::ostream& out, std::ostream& log)
      : options_(options), out_(out), log_(log) {
    me_.name = options.name.empty() ? DefaultPollerName() : options.name;
    me_.regions = options.regions;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    me_.host = host;
    me_.pid = getpid();
    me_.leaseSeconds = options.leaseSeconds;
  }

  bool Run() {
    Status registered =
        store::JobStore::Open(options_.store, store::Access::kWrite, true).Into(store_);
    if (registered.ok()) registered = store_->RegisterPoller(me_);
    if (!registered.ok()) {
      log_ << "erx-discover: " << registered.message() << "\n";
      return false;
    }
    Say("serving region" + std::string(me_.regions.size() > 1 ? "s " : " ") + Regions() + " with " +
        std::to_string(options_.jobs) + " worker" + (options_.jobs > 1 ? "s" : ""));
    Clock::time_point lastBeat = Clock::now();
    while (!gStop) {
      std::vector<store::ClaimedJob> claimed;
      if (!Try([&] { return store_->Claim(me_, options_.jobs).Into(claimed); })) {
        continue;
      }
      if (!claimed.empty()) {
        RunBatch(claimed);
        lastBeat = Clock::now();
        continue;
      }
      if (options_.once) {
        int64_t pending = 0;
        if (!Try([&] { return store_->Pending(me_).Into(pending); })) continue;
        if (pending == 0) break;
      }
      if (SecondsSince(lastBeat) >= options_.heartbeatSeconds) {
        if (!Try([&] { return store_->Renew(me_, {}).status(); })) continue;
        lastBeat = Clock::now();
      }
      const double wait = std::min(options_.pollSeconds, options_.heartbeatSeconds);
      Try([&] { return store_->WaitForJobs(static_cast<int>(wait * 1000)); });
    }
    // Gone from the list anyway once its heartbeat is out of date.
    if (store_) (void)store_->UnregisterPoller(me_);
    Say(gStop ? "stopped" : "no job of its regions is left");
    return true;
  }

 private:
  std::string Regions() const {
    std::string joined;
    for (const std::string& region : me_.regions) joined += (joined.empty() ? "" : ", ") + region;
    return joined;
  }

  void Say(const std::string& line) {
    log_ << "erx-discover poller " << me_.name << ": " << line << "\n";
  }

  // Runs `work` on the store; when it fails, says so, pauses (longer each
  // time) and connects again. False when it failed.
  template <typename Work>
  bool Try(Work work) {
    const Status done = store_ ? work() : Status::Failure(lastProblem_);
    if (done.ok()) {
      pause_ = kFirstPause;
      return true;
    }
    Say(done.message() + "; trying again in " + Seconds(pause_) + " s");
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(pause_ * 1000)));
    pause_ = std::min(pause_ * 2, kLongestPause);
    Reconnect();
    return false;
  }

  void Reconnect() {
    store_.reset();
    lastProblem_ =
        store::JobStore::Open(options_.store, store::Access::kWrite, true).Into(store_).message();
  }

  // The settings and secrets of a job; false with the job failed when it
  // cannot be discovered here.
  bool Prepare(Held& held) {
    const std::string name = "job " + std::to_string(held.job.id);
    const Status read = ReadJobSettings(held.job.settings, name).Into(held.device);
    if (!read.ok()) return Fail(held, "its settings cannot be read: " + read.message());
    held.device.live.secretsFile = options_.secretsFile;
    held.device.live.deviceTimeoutSeconds = 0;  // the worker pool keeps the deadline
    if (held.device.live.host.empty()) return true;
    Secrets secrets;
    if (Status loaded = secrets.Load(options_.secretsFile); !loaded.ok()) {
      return Fail(held, loaded.message());
    }
    std::string missing;
    for (const std::string& variable : MissingSecrets(held.device.live, secrets)) {
      missing += (missing.empty() ? "" : ", ") + variable;
    }
    if (missing.empty()) return true;
    return Fail(held, "not set where poller " + me_.name + " runs (its environment" +
                          (options_.secretsFile.empty() ? "" : " and " + options_.secretsFile) +
                          "): " + missing);
  }

  static bool Fail(Held& held, const std::string& problem) {
    store::DeviceOutcome outcome;
    outcome.status = "failed";
    outcome.problem = problem;
    held.outcome = outcome;
    return false;
  }

  // In the worker: the device discovered, its report (or why not) handed
  // on whole over the result pipe.
  static int Discover(const Held& held, const DiscoveryOptions& discovery, int resultFd) {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    DeviceSource source;
    source.capture = held.device.capture;
    source.live = held.device.live;
    WorkerResult result;
    const Outcome<DeviceOutcome> discovered =
        DiscoverOneDevice(source, discovery, false, result.found);
    result.discovered = discovered.code() == DeviceOutcome::kDiscovered;
    result.problem = discovered.message();
    const std::string bytes = EncodeWorkerResult(result);
    for (size_t written = 0; written < bytes.size();) {
      const ssize_t n = write(resultFd, bytes.data() + written, bytes.size() - written);
      if (n <= 0) return 1;
      written += static_cast<size_t>(n);
    }
    return 0;
  }

  // What a worker's end makes of its device.
  void Ended(Held& held, const WorkerEnd& end) {
    store::DeviceOutcome outcome;
    outcome.seconds = end.seconds;
    WorkerResult result;
    std::string unreadable;
    bool read = false;
    if (end.how != WorkerEnd::kNotStarted) {
      const Status decoded = DecodeWorkerResult(end.result).Into(result);
      read = decoded.ok();
      unreadable = decoded.message();
    }
    if (read && result.discovered) {
      outcome.status = report::HealthStatusName(result.found.health.status);
      outcome.problem =
          result.found.health.problems.empty() ? "" : result.found.health.problems.front();
      held.found = std::move(result.found);
    } else if (gStop && end.how == WorkerEnd::kKilledBySignal) {
      // Stopped with this poller: another poller discovers it.
      held.handBack = true;
      return;
    } else if (end.how == WorkerEnd::kNotStarted) {
      outcome.status = "failed";
      outcome.problem = end.result;
    } else if (end.how == WorkerEnd::kTimedOut) {
      outcome.status = "timeout";
      outcome.problem = "not discovered within " + Seconds(options_.deviceTimeoutSeconds) +
                        " s: the worker was stopped";
    } else if (end.how == WorkerEnd::kKilledBySignal) {
      outcome.status = "crashed";
      outcome.problem = "the worker died of signal " + std::to_string(end.signal) + " (" +
                        strsignal(end.signal) + ")";
    } else {
      outcome.status = "failed";
      outcome.problem = read ? result.problem
                             : "the worker ended with status " + std::to_string(end.exitStatus) +
                                   " and its result cannot be read: " + unreadable;
    }
    held.outcome = outcome;
  }

  // One try at storing the job's end (or handing it back); ok when there is
  // nothing more to do for it.
  Status Settle(Held& held) {
    if (held.lost) {
      held.settled = true;
      return Status();
    }
    if (held.handBack) {
      Status back = store_->HandBack(me_, held.job);
      held.settled = back.ok();
      return back;
    }
    store::DeviceOutcome outcome = *held.outcome;
    outcome.name = held.job.device;
    outcome.source = held.job.source;
    bool stillHeld = false;
    Status finished =
        store_->Finish(me_, held.job, outcome, held.found ? &*held.found : nullptr, stillHeld);
    if (!finished.ok()) {
      held.settled = false;
      return finished;
    }
    held.settled = true;
    if (stillHeld) {
      out_ << held.job.device << " " << outcome.status << " (run " << held.job.runId << ", region "
           << held.job.region << ")" << (outcome.problem.empty() ? "" : ": " + outcome.problem)
           << "\n";
    } else {
      LostLease(held);
    }
    return Status();
  }

  void LostLease(Held& held) {
    held.lost = true;
    held.settled = true;
    Say(held.job.device + " of run " + std::to_string(held.job.runId) +
        " is not stored by this poller: its lease (attempt " + std::to_string(held.job.attempt) +
        ") ran out and the job went back to its region's queue");
  }

  // Renews the leases of the jobs still running, at most once a heartbeat;
  // never waits for a store that is gone (the workers go on meanwhile).
  void Heartbeat(std::vector<Held>& batch, Clock::time_point& last, Clock::time_point& nextTry) {
    if (SecondsSince(last) < options_.heartbeatSeconds || Clock::now() < nextTry) return;
    last = Clock::now();
    if (!store_) Reconnect();
    std::vector<store::ClaimedJob> running;
    for (const Held& held : batch) {
      if (!held.settled) running.push_back(held.job);
    }
    const Result<std::vector<store::ClaimedJob>> lost =
        store_ ? store_->Renew(me_, running) : Status::Failure(lastProblem_);
    if (lost.ok()) {
      pause_ = kFirstPause;
      for (Held& held : batch) {
        bool gone = false;
        for (const store::ClaimedJob& job : lost.value()) gone = gone || job.id == held.job.id;
        if (gone && !held.settled) {
          LostLease(held);
        } else if (!held.settled) {
          held.renewed = last;
        }
      }
      return;
    }
    Say(lost.message() + "; trying again in " + Seconds(pause_) + " s");
    nextTry = Clock::now() + std::chrono::milliseconds(static_cast<int>(pause_ * 1000));
    pause_ = std::min(pause_ * 2, kLongestPause);
    store_.reset();
  }

  void RunBatch(const std::vector<store::ClaimedJob>& claimed) {
    std::vector<Held> batch(claimed.size());
    std::vector<size_t> ready;  // indexes into batch of the jobs to discover
    for (size_t i = 0; i < claimed.size(); ++i) {
      batch[i].job = claimed[i];
      batch[i].renewed = Clock::now();
      if (Prepare(batch[i])) ready.push_back(i);
    }
    Clock::time_point lastBeat = Clock::now();
    Clock::time_point nextTry = lastBeat;
    WorkerPool pool(options_.jobs, options_.deviceTimeoutSeconds);
    pool.OnEveryTick([&] { Heartbeat(batch, lastBeat, nextTry); });
    pool.Run(
        ready.size(),
        [&](size_t job, int resultFd) {
          return Discover(batch[ready[job]], options_.discovery, resultFd);
        },
        [&](const WorkerEnd& end) {
          Held& held = batch[ready[end.job]];
          Ended(held, end);
          if (!store_) return;
          const Status settled = Settle(held);
          if (!settled.ok()) Say(settled.message() + "; storing it again later");
        });
    // Each result is stored, or dropped once its lease has surely run out.
    for (Held& held : batch) {
      while (!held.settled && !Try([&] { return Settle(held); })) {
        if (SecondsSince(held.renewed) > options_.leaseSeconds) {
          Say(held.job.device + " of run " + std::to_string(held.job.runId) +
              " is not stored by this poller: the store could not be reached before its lease "
              "ran out");
          break;
        }
      }
    }
  }

  const PollerOptions& options_;
  std::ostream& out_;
  std::ostream& log_;
  store::PollerIdentity me_;
  std::unique_ptr<store::JobStore> store_;
  std::string lastProblem_ = "the store is not connected";
  double pause_ = kFirstPause;
};

}  // namespace

std::string DefaultPollerName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return std::string(host) + "-" + std::to_string(getpid());
}

bool RunPoller(const PollerOptions& options, std::ostream& out, std::ostream& log) {
  gStop = 0;
  struct sigaction stop = {};
  stop.sa_handler = OnStop;
  sigemptyset(&stop.sa_mask);
  struct sigaction oldTerm = {}, oldInt = {};
  sigaction(SIGTERM, &stop, &oldTerm);
  sigaction(SIGINT, &stop, &oldInt);
  const bool stopped = Poller(options, out, log).Run();
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGINT, &oldInt, nullptr);
  return stopped;
}
