// Runs jobs in worker processes, a few at a time, so that a job that hangs,
// crashes or leaks ends with its own process and never takes another down.
// Each worker is a fork of this process: it runs the job's work and exits
// with what the work returns; a worker still running at its deadline is
// killed. The caller's process stays single-threaded.
//
//   WorkerPool pool(4, 600);
//   pool.Run(devices.size(),
//            [&](size_t job, int resultFd) { ...; return 0; },   // in the worker
//            [&](const WorkerEnd& end) { ... });                 // here, as each ends
#ifndef FLEET_WORKERPOOL_H_
#define FLEET_WORKERPOOL_H_

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

struct WorkerEnd {
  enum How { kExited, kKilledBySignal, kTimedOut, kNotStarted };
  size_t job = 0;
  How how = kExited;
  int exitStatus = 0;  // kExited
  int signal = 0;      // kKilledBySignal
  std::string result;  // all the work wrote to its result descriptor; kNotStarted: why
  double seconds = 0;
};

class WorkerPool {
 public:
  // Runs in the worker: writes what the caller should learn to `resultFd` and
  // returns the worker's exit status. Its standard error comes to the caller
  // line by line (OnEveryErrorLine), or straight to the caller's standard
  // error when no one listens.
  using Work = std::function<int(size_t job, int resultFd)>;
  using OnEnd = std::function<void(const WorkerEnd&)>;
  using OnTick = std::function<void()>;
  using OnErrorLine = std::function<void(size_t job, const std::string& line)>;

  WorkerPool(int parallel, double deadlineSeconds)
      : parallel_(parallel), deadline_(deadlineSeconds) {}

  // Called about four times a second while workers run (a progress display).
  void OnEveryTick(OnTick tick) { tick_ = std::move(tick); }
  void OnEveryErrorLine(OnErrorLine onLine) { errorLine_ = std::move(onLine); }
  int Running() const { return running_; }

  // Runs jobs 0 .. count-1 and returns when each has ended. A job whose
  // worker cannot be started (no processes or descriptors left) waits for a
  // running one to end; with none running it ends as kNotStarted.
  void Run(size_t count, const Work& work, const OnEnd& onEnd);

 private:
  struct Workers;  // those running
  // Starts workers while there are jobs and room; a job that cannot start
  // with none running ends here.
  void StartJobs(size_t count, const Work& work, const OnEnd& onEnd, size_t& next,
                 Workers& workers);
  // Hands on every worker that ended since the last look.
  void EndWorkers(const OnEnd& onEnd, Workers& workers);

  int parallel_;
  double deadline_;
  OnTick tick_;
  OnErrorLine errorLine_;
  int running_ = 0;
};

#endif  // FLEET_WORKERPOOL_H_
