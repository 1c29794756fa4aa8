// Worker processes: results come back, a crash or a hang ends only its own
// worker, and no more than the asked number run at once.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fleet/WorkerPool.h"

using namespace testing;

namespace {

void Say(int fd, const std::string& text) {
  if (write(fd, text.data(), text.size()) < 0) std::abort();
}

std::map<size_t, WorkerEnd> RunAll(WorkerPool& pool, size_t count, const WorkerPool::Work& work) {
  std::map<size_t, WorkerEnd> ends;
  pool.Run(count, work, [&](const WorkerEnd& end) { ends[end.job] = end; });
  return ends;
}

// The descriptors this process has open, and what each is.
std::set<std::string> OpenDescriptors() {
  std::set<std::string> open;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code failed;
    const std::string target = std::filesystem::read_symlink(entry.path(), failed).string();
    if (!failed) open.insert(entry.path().filename().string() + " " + target);
  }
  return open;
}

TEST(WorkerPool, EachJobEndsOnItsOwnWhateverTheOthersDo) {
  WorkerPool pool(3, 2.0);
  auto ends = RunAll(pool, 5, [](size_t job, int resultFd) {
    switch (job) {
      case 1:
        raise(SIGKILL);  // the one signal no sanitizer or handler turns into another
        break;
      case 2:
        for (;;) pause();  // hangs past the deadline
      case 3:
        Say(resultFd, "refused\n");
        return 3;
    }
    Say(resultFd, "job " + std::to_string(job) + "\n");
    return 0;
  });
  ASSERT_EQ(ends.size(), 5u);
  EXPECT_EQ(ends[0].how, WorkerEnd::kExited);
  EXPECT_EQ(ends[0].exitStatus, 0);
  EXPECT_EQ(ends[0].result, "job 0\n");
  EXPECT_EQ(ends[4].result, "job 4\n");
  EXPECT_EQ(ends[1].how, WorkerEnd::kKilledBySignal);
  EXPECT_EQ(ends[1].signal, SIGKILL);
  EXPECT_EQ(ends[2].how, WorkerEnd::kTimedOut);
  EXPECT_GE(ends[2].seconds, 2.0);
  EXPECT_LT(ends[2].seconds, 10.0);
  EXPECT_EQ(ends[3].how, WorkerEnd::kExited);
  EXPECT_EQ(ends[3].exitStatus, 3);
  EXPECT_EQ(ends[3].result, "refused\n");
}

long long Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TEST(WorkerPool, NoMoreWorkersRunThanAskedAndAllRun) {
  WorkerPool pool(2, 0);
  auto ends = RunAll(pool, 6, [](size_t, int resultFd) {
    const long long start = Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Say(resultFd, std::to_string(start) + " " + std::to_string(Now()));
    return 0;
  });
  ASSERT_EQ(ends.size(), 6u);
  // The most workers alive at once, from when each began and ended.
  std::vector<std::pair<long long, int>> events;
  for (const auto& entry : ends) {
    long long start = 0, end = 0;
    ASSERT_EQ(std::sscanf(entry.second.result.c_str(), "%lld %lld", &start, &end), 2);
    events.emplace_back(start, 1);
    events.emplace_back(end, -1);
  }
  std::sort(events.begin(), events.end());
  int alive = 0, most = 0;
  for (const auto& event : events) most = std::max(most, alive += event.second);
  EXPECT_LE(most, 2);
}

TEST(WorkerPool, AWorkerHoldsNothingOfTheOthers) {
  const std::set<std::string> before = OpenDescriptors();
  WorkerPool pool(3, 0);
  pool.OnEveryErrorLine([](size_t, const std::string&) {});
  auto ends = RunAll(pool, 3, [&](size_t, int resultFd) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the others are started
    std::string extra;
    for (const std::string& open : OpenDescriptors()) {
      const int fd = std::atoi(open.c_str());
      if (before.count(open) || fd <= STDERR_FILENO || fd == resultFd) continue;  // its own
      if (open.find("/fd") != std::string::npos) continue;                        // the listing's
      extra += open + "; ";
    }
    Say(resultFd, extra);
    return 0;
  });
  for (const auto& entry : ends) EXPECT_EQ(entry.second.result, "") << "job " << entry.first;
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(WorkerPool, StandardErrorComesBackLineByLineWithItsJob) {
  WorkerPool pool(2, 0);
  std::vector<std::pair<size_t, std::string>> lines;
  pool.OnEveryErrorLine(
      [&](size_t job, const std::string& line) { lines.emplace_back(job, line); });
  RunAll(pool, 2, [](size_t job, int) {
    std::cerr << "warning " << job << "\nno end of line" << std::flush;
    return 0;
  });
  EXPECT_THAT(lines, UnorderedElementsAre(Pair(0u, "warning 0"), Pair(0u, "no end of line"),
                                          Pair(1u, "warning 1"), Pair(1u, "no end of line")));
}

}  // namespace
