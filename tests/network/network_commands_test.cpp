// erx-discover paths, vpns and html as a user runs them: output on standard
// output, one line on standard error and exit status 2 when they cannot answer.
#include <sys/wait.h>

#include <cstdio>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/network/NetworkExamples.h"
#include "tests/support/TempFolder.h"

using testing::HasSubstr;

namespace {

struct Outcome {
  int status = -1;
  std::string out;  // standard output, then standard error
};

Outcome Discover(const std::string& arguments) {
  Outcome outcome;
  FILE* pipe = popen((std::string(ERX_RUNNER_PATH) + " " + arguments + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.out.append(buffer, n);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(NetworkCommands, AnswersOnStandardOutput) {
  const std::string store = "--store " + TestNetworkStore();
  const Outcome paths = Discover("paths " + store + " --run 1 --format json");
  ASSERT_EQ(paths.status, 0) << paths.out;
  EXPECT_EQ(nlohmann::json::parse(paths.out)["paths"].size(), 5u);

  const Outcome vpns = Discover("vpns " + store + " --format dot");
  EXPECT_EQ(vpns.status, 0);
  EXPECT_THAT(vpns.out, testing::StartsWith("digraph network {"));

  TempFolder folder;
  const Outcome page = Discover("html " + store + " -o " + folder.Path() + "/run.html");
  EXPECT_EQ(page.status, 0) << page.out;
  EXPECT_THAT(folder.Read("run.html"), HasSubstr("<h2>Changes since the run before</h2>"));
}

TEST(NetworkCommands, WhatCannotBeAnsweredExitsWith2AndOneLine) {
  const std::string store = "--store " + TestNetworkStore();
  for (const auto& [arguments, line] : std::vector<std::pair<std::string, std::string>>{
           {"paths " + store + " --device pe-z", "run 2 has no discovered device pe-z\n"},
           {"vpns " + store + " --run 9", TestNetworkStore() + " has no run 9\n"},
           {"--format json paths " + store, "paths takes no options before it\n"},
           {"html " + store, "--output is required"},
           {"paths --store /nonexistent/x.db", "x.db"}}) {
    const Outcome outcome = Discover(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments;
    EXPECT_THAT(outcome.out, testing::StartsWith("erx-discover: ")) << arguments;
    EXPECT_THAT(outcome.out, HasSubstr(line)) << arguments;
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1) << outcome.out;
  }
}

}  // namespace
