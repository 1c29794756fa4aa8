// erx-discover as a user runs it.
#include <stdio.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/CaptureFolder.h"

using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Outcome Discover(const std::string& arguments) {
  CaptureFolder scratch;
  const std::string errFile = scratch.Path() + "/stderr";
  const std::string command = std::string(ERX_RUNNER_PATH) + " " + arguments + " 2>" + errFile;
  Outcome run{-1, "", ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadAll(errFile);
  return run;
}

TEST(RunnerCli, ExampleDeviceByDefaultAsText) {
  const Outcome run = Discover("");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, StartsWith("Device: pe1-erx\n"));
  for (const char* section : {"\nVirtual routers (", "\nLabel entries (", "\nVRFs (", "\nInterfaces (",
                              "\nIP addresses (", "\nErrors ("}) {
    EXPECT_THAT(run.out, HasSubstr(section));
  }
  EXPECT_EQ(run.err, "");
}

TEST(RunnerCli, JsonReportToAFile) {
  CaptureFolder scratch;
  const std::string report = scratch.Path() + "/pe1.json";
  const Outcome run = Discover("--capture " + std::string(ERX_SOURCE_DIR) +
                           "/devices/pe1-erx --format json -o " + report);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const nlohmann::json parsed = nlohmann::json::parse(ReadAll(report));
  EXPECT_EQ(parsed["device"], "pe1-erx");
}

TEST(RunnerCli, TracesGoToStandardOutputAtTheDebugLevel) {
  const Outcome run = Discover("--debug 3 --format json");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, StartsWith("CPelkUnisphereMPLSTelnet::CPelkUnisphereMPLSTelnet()\n"));
  EXPECT_THAT(run.out, HasSubstr("CPelkUnisphereMPLSTelnet::DMACleanUpMedData()\n"));
}

TEST(RunnerCli, UnreadableDeviceFolderExitsWith2AndSaysWhere) {
  Outcome run = Discover("--capture /nonexistent/pe9");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "erx-discover: no captured device at /nonexistent/pe9: no such folder\n");
  EXPECT_EQ(run.out, "");

  CaptureFolder empty;
  run = Discover("--capture " + empty.Path());
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, MatchesRegex("erx-discover: .*" + empty.Path() + ".* no cli.log\n"));
}

TEST(RunnerCli, BadUsageExitsWith2WithOneLine) {
  for (const char* arguments : {"--format xml", "--bogus", "--debug many", "--vrf"}) {
    const Outcome run = Discover(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_THAT(run.err, MatchesRegex("erx-discover: [^\n]*\\(see --help\\)\n")) << arguments;
  }
  const Outcome help = Discover("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("--no-labels"));
}

TEST(RunnerCli, BadWalkLineIsNamedAndTheRestDiscovered) {
  CaptureFolder capture;
  capture.Write("cli.log", "pe1#exit\n");
  capture.Write("snmp.walk",
                ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n"
                ".1.3.6.1.2.1.2.2.1.2.2 STRING \"ATM3/0\"\n"
                ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"ATM4/0\"\n");
  const Outcome run = Discover("--capture " + capture.Path() + " --format json");
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.err, StartsWith(capture.Path() + "/snmp.walk:2: "));
  const nlohmann::json report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["interfaces"].size(), 2u);
}

}  // namespace
