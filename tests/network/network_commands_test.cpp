// erx-discover paths, vpns and html as a user runs them: output on standard
// output, one line on standard error and exit status 2 when they cannot answer
// (options before the command and a missing store: tests/apps).
#include <sys/wait.h>

#include <cstdio>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/network/NetworkExamples.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

using testing::HasSubstr;

namespace {

// What erx-discover wrote, standard output then standard error.
struct Outcome {
  int status = -1;
  std::string out;
};

Outcome Discover(const std::string& arguments) {
  const ProgramRun run = RunProgram(std::string(ERX_RUNNER_PATH) + " " + arguments);
  return {run.status, run.out + run.err};
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
           {"html " + store, "--output is required"}}) {
    const Outcome outcome = Discover(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments;
    EXPECT_THAT(outcome.out, testing::StartsWith("erx-discover: ")) << arguments;
    EXPECT_THAT(outcome.out, HasSubstr(line)) << arguments;
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1) << outcome.out;
  }
}

}  // namespace
