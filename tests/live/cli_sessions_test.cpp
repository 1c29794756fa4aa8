// Long requests split over several CLI sessions of one router: the module
// gets the replies of one session, and the saved capture holds them in the
// request's order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/live/LiveReports.h"

namespace {

using namespace testing;
namespace fs = std::filesystem;

// The commands of a saved cli.log in order, without the switches between
// virtual routers that each session makes for itself.
std::vector<std::string> CommandsOf(const std::string& cliLog) {
  std::ifstream in(cliLog);
  std::vector<std::string> commands;
  for (std::string line; std::getline(in, line);) {
    const size_t prompt = line.find('#');
    if (prompt == std::string::npos || line.find(' ') < prompt) continue;
    const std::string command = line.substr(prompt + 1);
    if (command.rfind("virtual-router ", 0) != 0) commands.push_back(command);
  }
  return commands;
}

std::string Generated(const TempFolder& folder) {
  const std::string device = folder.Path() + "/generated";
  const std::string script =
      std::string(ERX_SOURCE_DIR) + "/benchmarks/end_to_end/generate_device.py";
  const std::string command = "python3 '" + script + "' '" + device +
                              "' --destinations 100 --vrfs 25 --routes 3 >/dev/null";
  return std::system(command.c_str()) == 0 ? device : "";
}

TEST(CliSessions, ASplitRequestGivesWhatOneSessionGives) {
  TempFolder folder;
  for (const std::string& device : {kExample, Generated(folder)}) {
    SCOPED_TRACE(device);
    ASSERT_FALSE(device.empty());
    SimulatedRouter router;
    ASSERT_TRUE(router.Start(device, {"--user", "admin"}, Secrets()));
    const std::string one = folder.Path() + "/one", three = folder.Path() + "/three";
    fs::remove_all(one);
    fs::remove_all(three);
    const DiscoverRun single =
        RunDiscover(LiveArguments(router, {"--save-capture", one}), Secrets());
    const DiscoverRun split = RunDiscover(
        LiveArguments(router, {"--save-capture", three, "--cli-sessions", "3"}), Secrets());
    ASSERT_EQ(single.status, 0) << single.err;
    ASSERT_EQ(split.status, 0) << split.err;

    const Json expected = CaptureReport(device);
    EXPECT_EQ(ReportOf(split), expected);
    EXPECT_EQ(ReportOf(single), expected);
    EXPECT_EQ(CaptureReport(three), expected);
    EXPECT_EQ(CommandsOf(three + "/cli.log"), CommandsOf(one + "/cli.log"));
    EXPECT_GT(CommandsOf(one + "/cli.log").size(), 12u);
    EXPECT_EQ(HealthOf(split)["cli"]["sent"], HealthOf(single)["cli"]["sent"]);
    EXPECT_EQ(HealthOf(split)["cli"]["answered"], HealthOf(single)["cli"]["answered"]);
  }
}

}  // namespace
