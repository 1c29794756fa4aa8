#include "fleet/WorkerPool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "status/Status.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Worker {
  size_t job = 0;
  pid_t pid = -1;
  int pidFd = -1;     // readable when the worker has ended
  int resultFd = -1;  // read end of the worker's result pipe, until its end
  int errorFd = -1;   // read end of its standard error, when listened to, until its end
  std::string result;
  std::string errorText;  // standard error not yet handed on: an unfinished line
  Clock::time_point started;
  bool timedOut = false;
  int status = 0;  // as waitpid gives it, once ended
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Close(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Appends what `fd` holds now to `into`; at the end of the pipe closes it, so
// that it is not polled again while the worker is still exiting.
void Drain(int& fd, std::string& into) {
  char buffer[4096];
  while (fd >= 0) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      Close(fd);
    } else if (errno == EAGAIN) {
      return;
    }
  }
}

// Hands each whole line of the worker's standard error on; the rest of a line
// waits for its end, unless the worker ended or it runs on without one.
void HandOnErrorLines(Worker& worker, bool ended, const WorkerPool::OnErrorLine& onLine) {
  const size_t kLongestLine = size_t{64} * 1024;
  if (!onLine) return;
  Drain(worker.errorFd, worker.errorText);
  size_t start = 0;
  for (size_t end; (end = worker.errorText.find('\n', start)) != std::string::npos;
       start = end + 1) {
    onLine(worker.job, worker.errorText.substr(start, end - start));
  }
  worker.errorText.erase(0, start);
  if ((ended && !worker.errorText.empty()) || worker.errorText.size() > kLongestLine) {
    onLine(worker.job, worker.errorText);
    worker.errorText.clear();
  }
}

// In the new worker: nothing of the other workers stays open, it dies with
// the caller, and stdout/stderr carry nothing the caller buffered.
[[noreturn]] void RunWorker(const WorkerPool::Work& work, size_t job, int resultFd, int errorFd,
                            pid_t caller, const std::vector<Worker>& others) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != caller) _exit(127);
  for (const Worker& other : others) {
    for (int fd : {other.pidFd, other.resultFd, other.errorFd}) {
      if (fd >= 0) close(fd);
    }
  }
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    close(devNull);
  }
  if (errorFd >= 0) {
    dup2(errorFd, STDERR_FILENO);
    close(errorFd);
  }
  const int status = work(job, resultFd);
  close(resultFd);
  std::cout.flush();
  std::cerr.flush();
  std::exit(status);  // exit, not _exit: a leak checker sees the worker's end
}

// Forks the worker of `job`; a failure says why it cannot.
Status Start(size_t job, const WorkerPool::Work& work, bool listen, std::vector<Worker>& workers) {
  int resultFds[2] = {-1, -1};
  int errorFds[2] = {-1, -1};
  if (pipe2(resultFds, O_CLOEXEC) != 0 || (listen && pipe2(errorFds, O_CLOEXEC) != 0)) {
    Status failed = Status::Failure(std::string("cannot start a worker: ") + std::strerror(errno));
    for (int fd : {resultFds[0], resultFds[1]}) {
      if (fd >= 0) close(fd);
    }
    return failed;
  }
  std::cout.flush();
  std::cerr.flush();
  fflush(nullptr);
  const pid_t self = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    close(resultFds[0]);
    if (errorFds[0] >= 0) close(errorFds[0]);
    RunWorker(work, job, resultFds[1], errorFds[1], self, workers);
  }
  close(resultFds[1]);
  if (errorFds[1] >= 0) close(errorFds[1]);
  if (pid < 0) {
    Status failed = Status::Failure(std::string("cannot start a worker: ") + std::strerror(errno));
    close(resultFds[0]);
    if (errorFds[0] >= 0) close(errorFds[0]);
    return failed;
  }
  Worker worker;
  worker.job = job;
  worker.pid = pid;
  worker.pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  worker.resultFd = resultFds[0];
  worker.errorFd = errorFds[0];
  for (int fd : {worker.resultFd, worker.errorFd}) {
    if (fd >= 0) fcntl(fd, F_SETFL, O_NONBLOCK);
  }
  worker.started = Clock::now();
  workers.push_back(std::move(worker));
  return Status();
}

// A worker that ended, told by how and why.
WorkerEnd EndOf(Worker& worker) {
  const int status = worker.status;
  WorkerEnd end;
  end.job = worker.job;
  end.result = std::move(worker.result);
  end.seconds = SecondsSince(worker.started);
  if (worker.timedOut) {
    end.how = WorkerEnd::kTimedOut;
  } else if (WIFSIGNALED(status)) {
    end.how = WorkerEnd::kKilledBySignal;
    end.signal = WTERMSIG(status);
  } else {
    end.exitStatus = WEXITSTATUS(status);
  }
  return end;
}

// Until a worker's pipes or its process have something to say, or a quarter
// of a second.
void WaitForAny(const std::vector<Worker>& workers) {
  std::vector<pollfd> polled;
  for (const Worker& worker : workers) {
    for (int fd : {worker.pidFd, worker.resultFd, worker.errorFd}) {
      if (fd >= 0) polled.push_back({fd, POLLIN, 0});
    }
  }
  if (!polled.empty()) poll(polled.data(), polled.size(), 250);
}

// Takes in what the worker said and stops it at its deadline; true once it
// has ended, with all it said taken in.
bool Ended(Worker& worker, double deadline, const WorkerPool::OnErrorLine& errorLine) {
  Drain(worker.resultFd, worker.result);
  HandOnErrorLines(worker, false, errorLine);
  if (!worker.timedOut && deadline > 0 && SecondsSince(worker.started) > deadline) {
    kill(worker.pid, SIGKILL);
    worker.timedOut = true;
  }
  int status = 0;
  if (waitpid(worker.pid, &status, WNOHANG) != worker.pid) return false;
  worker.status = status;
  Drain(worker.resultFd, worker.result);
  HandOnErrorLines(worker, true, errorLine);
  return true;
}

}  // namespace

struct WorkerPool::Workers {
  std::vector<Worker> running;
};

void WorkerPool::StartJobs(size_t count, const Work& work, const OnEnd& onEnd, size_t& next,
                           Workers& workers) {
  while (next < count && static_cast<int>(workers.running.size()) < parallel_) {
    const Status started = Start(next, work, static_cast<bool>(errorLine_), workers.running);
    if (started.ok()) {
      ++next;
      continue;
    }
    // Out of processes or descriptors: wait for a running worker to end and
    // try again; with none running, this job cannot be done.
    if (!workers.running.empty()) break;
    WorkerEnd end;
    end.job = next++;
    end.how = WorkerEnd::kNotStarted;
    end.result = started.message();
    onEnd(end);
  }
  running_ = static_cast<int>(workers.running.size());
}

void WorkerPool::EndWorkers(const OnEnd& onEnd, Workers& workers) {
  std::vector<Worker>& running = workers.running;
  for (size_t i = 0; i < running.size();) {
    if (!Ended(running[i], deadline_, errorLine_)) {
      ++i;
      continue;
    }
    Worker worker = std::move(running[i]);
    running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    for (int* fd : {&worker.pidFd, &worker.resultFd, &worker.errorFd}) Close(*fd);
    running_ = static_cast<int>(running.size());
    onEnd(EndOf(worker));
  }
}

void WorkerPool::Run(size_t count, const Work& work, const OnEnd& onEnd) {
  Workers workers;
  size_t next = 0;
  Clock::time_point lastTick = Clock::now();
  while (next < count || !workers.running.empty()) {
    StartJobs(count, work, onEnd, next, workers);
    if (tick_ && SecondsSince(lastTick) >= 0.25) {
      lastTick = Clock::now();
      tick_();
    }
    WaitForAny(workers.running);
    EndWorkers(onEnd, workers);
  }
  running_ = 0;
}
