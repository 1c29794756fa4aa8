// erx-discover as a program: the example devices of devices/README.md and a
// broken capture discovered, the command line, and where the report goes.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

using Json = nlohmann::ordered_json;
using namespace testing;

namespace {

using Folder = TempFolder;

using Outcome = ProgramRun;

Outcome Discover(const std::string& arguments) {
  return RunProgram(ERX_RUNNER_PATH " " + arguments);
}

// The JSON report written with -o; `run` gets what went to the terminal (traces, warnings).
Json Report(const std::string& dir, const std::string& options = "", Outcome* run = nullptr,
            int status = 0) {
  Folder scratch;
  Outcome outcome =
      Discover("--capture " + dir + " --format json -o " + scratch.Path() + "/r " + options);
  EXPECT_EQ(outcome.status, status) << outcome.err;
  if (run)
    *run = outcome;
  else
    EXPECT_EQ(outcome.out + outcome.err, "");
  return Json::parse(scratch.Read("r"));
}

const std::string kDevices = std::string(ERX_SOURCE_DIR) + "/devices/";

// Objects as arrays of their values in key order, the way devices/README.md tabulates them.
Json Values(const Json& json) {
  if (!json.is_structured()) return json;
  Json values = Json::array();
  for (const auto& item : json.items()) values.push_back(Values(item.value()));
  return values;
}

TEST(ExampleDevice, AsWorkedOutByHand) {
  Outcome run;
  Json report = Report(kDevices + "pe1-erx", "--debug 1", &run);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Values(report["labelEntries"]), Json::parse(R"([
    ["default", "to-pe2", "17", "20", 12, "ATM3/0.2", "10.1.3.2", [10], ["ATM2/0.1"]],
    ["default", "to-pe2", "18", "21", 12, "ATM3/0.2", "10.1.3.2", [10], ["ATM2/0.1"]],
    ["default", "to-pe3", "22", "23", 14, "GigabitEthernet6/0.100", "10.1.5.2", [11, 13], ["ATM2/0.2"]],
    ["default", "to-pe5", "26", "31", 20, "mpls:1", "10.9.9.9", [11], ["ATM2/0.2"]],
    ["vr2", "vr2-to-pe3", "40", "41", 50, "ATM7/0.1", "10.12.1.2", [51], ["ATM7/0.2"]]])"));

  // The host joins the wrapped interface name; only its parts are fixed here.
  Json& wrapped = report["vrfs"][0]["impositions"][2]["interface"];
  EXPECT_THAT(wrapped.get<std::string>(), MatchesRegex("GigabitEthernet *6/0\\.100"));
  wrapped = "GigabitEthernet6/0.100";
  EXPECT_EQ(Values(report["vrfs"]), Json::parse(R"([
    ["default", "red", "100:1", ["100:1"], ["100:1", "100:2"], [30, 31], [
      ["101", "10.5.0.0/16", 10, "ATM2/0.1", "2.2.2.2"],
      ["102", "10.6.0.0/16", 12, "ATM3/0.2", "3.3.3.3"],
      ["103", "10.7.0.0/16", 14, "GigabitEthernet6/0.100", "4.4.4.4"],
      ["104", "10.8.0.0/16", 15, "ATM2/0.12", "5.5.5.5"]]],
    ["default", "blue", "100:2", ["100:2"], ["100:2"], [32], []],
    ["vr2", "green", "200:1", ["200:1"], ["200:1"], [52],
      [["130", "192.168.30.0/24", 50, "ATM7/0.1", "10.13.3.3"]]],
    ["vr2", "lab", "", [], [], [], []]])"));

  // The report's shape is the schema's (tests/schemas), its order the writer's (tests/report).
  EXPECT_EQ(report["health"]["status"], "ok");
  EXPECT_EQ(report["health"]["cli"]["answered"], report["health"]["cli"]["sent"]);
  EXPECT_EQ(report["health"]["snmp"]["walksUnanswered"], 0);
  EXPECT_EQ(report["device"], "pe1-erx");
  EXPECT_EQ(report["agent"], "Discovery Agent for Unisphere ERX MPLS information using Telnet");
  EXPECT_EQ(Values(report["virtualRouters"]),
            Json::parse(R"([["default", ["red", "blue"]], ["vr2", ["green", "lab"]]])"));
  std::string owners;
  for (const Json& row : report["interfaces"]) {
    owners += row["ifIndex"].dump() + ":" + row.value("virtualRouter", "-") + "/" +
              row.value("vrf", "-") + " ";
  }
  EXPECT_EQ(owners,
            "1:-/- 2:-/- 3:-/- 4:-/- 5:-/- 10:default/- 11:default/- 12:default/- 13:default/- "
            "14:default/- 15:default/- 16:default/- 17:default/- 20:default/- 21:default/- "
            "30:default/red 31:default/red 32:default/blue 50:vr2/- 51:vr2/- 52:vr2/green ");
  ASSERT_EQ(report["ipAddresses"].size(), 10u);
  EXPECT_EQ(Values(report["ipAddresses"][9]), Json::parse(R"(["vr2", "10.12.2.1", 51])"));
  EXPECT_THAT(report["errors"], IsEmpty());
}

TEST(ExampleDevice, LaterReleaseForwardingTableIsReadByTheHostAfterTheModuleFails) {
  Outcome run;
  const Json report = Report(kDevices + "pe2-erx-later-release", "--debug 1", &run);
  EXPECT_THAT(run.out, HasSubstr("::ObtainLabelData() failed to match expected telnet response "
                                 "(no mpls fwding data?)!\n"));
  // Read by the host (tests/discovery): only that they arrive is fixed here.
  EXPECT_EQ(Values(report["labelEntries"]), Json::parse(R"([
    ["default", "17", "ldp", "swap", "29", "ATM2/0.1", 10, "10.2.1.2", "Platform label space", "label-table"],
    ["default", "18", "ldp", "swap", "30", "ATM2/0.1", 10, "10.2.1.2", "Platform label space", "label-table"],
    ["default", "19", "ldp", "pop", "ATM2/0.1", 10, "10.2.1.2", "Platform label space", "label-table"],
    ["default", "201", "bgp", "lookup", "Platform label space", "label-table"],
    ["default", "300", "l2vpn", "pop", "ATM2/0.40", "Platform label space", "label-table"]])"));
  EXPECT_EQ(report["warnings"].back(),
            Json::parse(R"({"text": "show mpls forwarding brief: no ifIndex for)"
                        R"( out interface 'ATM2/0.40' of in label 300",)"
                        R"( "virtualRouter": "default"})"));
  EXPECT_EQ(Values(report["vrfs"]),
            Json::parse(R"([["default", "red", "100:1", ["100:1"], ["100:1"],
      [30], [["201", "10.50.0.0/16", 10, "ATM2/0.1", "1.1.1.1"]]]])"));
  EXPECT_EQ(Values(report["interfaces"]), Json::parse(R"([[1, "ATM2/0"], [10, "ip2/0.1", "default"],
      [30, "ip2/0.10", "default", "red"]])"));
  EXPECT_THAT(report["errors"], IsEmpty());
}

TEST(RunnerCli, BrokenCaptureIsReportedAndTheRestDiscovered) {
  // One virtual router listed twice (its replies collide in the agent's cache), none of
  // the commands sent after, and a bad walk line.
  Folder capture;
  capture.Write("cli.log",
                "pe1#show virtual-router\n"
                "Virtual Router   Router ID        Type\n"
                "default          10.255.0.1       default\n"
                "default          10.255.0.1       default\n");
  capture.Write("snmp.walk",
                ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n"
                ".1.3.6.1.2.1.2.2.1.2.2 STRING \"ATM3/0\"\n"
                ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"ATM4/0\"\n");
  Outcome run;
  const Json report = Report(capture.Path(), "--debug 1", &run, 5);
  EXPECT_THAT(run.err, StartsWith(capture.Path() + "/snmp.walk:2: "));
  EXPECT_THAT(run.err, HasSubstr("erx-discover: pe1: partial: the capture " + capture.Path() +
                                 " holds no walk of context @default (4 walks lost)\n"));
  EXPECT_EQ(report["health"]["cli"]["refused"], 8);
  EXPECT_THAT(run.out, HasSubstr("::ObtainLabelData() no response to telnet command "
                                 "show mpls forwarding brief\n"));
  EXPECT_EQ(report["interfaces"].size(), 2u);
  EXPECT_THAT(report["errors"].dump(),
              MatchesRegex(R"(\[\{"code":-220439,"source":"CPelkUnisphereMPLSTelnet","line":1898,)"
                           R"("text":"Failed to add telnet key - value default[^"]*"\}\])"));
}

TEST(RunnerCli, OptionsAndTextReport) {
  const Outcome text = Discover("");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_THAT(text.out,
              MatchesRegex("Device: pe1-erx\n.*\nVirtual routers \\(2\\).*\nLabel entries \\(5\\).*"
                           "\nVRFs \\(4\\).*\nInterfaces \\(21\\).*\nIP addresses \\(10\\).*"
                           "\nErrors \\(0\\).*"));
  // The report names the same program and version as --version.
  const Outcome version = Discover("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, MatchesRegex("erx-discover [0-9]+\\.[0-9]+\\.[0-9]+[^\n]*\n"));
  EXPECT_THAT(text.out, HasSubstr("\nGenerator: " + version.out));
  // Each option without the other: tests/discovery.
  const Json red = Report(kDevices + "pe1-erx", "--vrf red --no-labels");
  EXPECT_THAT(red["labelEntries"], IsEmpty());
  EXPECT_EQ(red["vrfs"], Json::parse(R"([{"virtualRouter": "default", "name": "red",
      "routeDistinguisher": "100:1", "exportRouteTargets": ["100:1"],
      "importRouteTargets": ["100:1", "100:2"], "ifIndexes": [30, 31], "impositions": []}])"));
}

TEST(RunnerCli, BadInvocationExitsWith2AndOneLine) {
  Folder empty;
  const std::string usage = "[^\n]* \\(see --help\\)";
  const std::map<std::string, std::string> messages = {
      {"--capture /nonexistent/pe9", "no captured device at /nonexistent/pe9: no such folder"},
      {"--capture " + empty.Path(),
       "no captured device at " + empty.Path() + ": the folder has no cli.log"},
      {"--module /nonexistent/agent.so",
       "cannot load the agent module /nonexistent/agent.so: [^\n]*"},
      {"--format xml", usage},
      {"--bogus", usage},
      {"--debug many", usage},
      {"--debug 7", usage},
      {"--vrf", usage},
      {"--inventory x.yaml --cli-sessions 2", usage},
      {"--debug 1 diff --store x.db", "diff takes no options before it"},
      {"--debug 1 html --store x.db -o x.html", "html takes no options before it"},
      {"--debgu 2", "unknown option --debgu; did you mean --debug\\? \\(see --help\\)"},
      {"--outptu r.txt", "unknown option --outptu; did you mean --output\\? \\(see --help\\)"},
      {"diff --stroe=x.db", "unknown option --stroe; did you mean --store\\? \\(see --help\\)"},
      {"diff --store " + empty.Path() + "/nosuch.db",
       empty.Path() + "/nosuch.db: there is no results store here \\(a fleet run with --store " +
           empty.Path() + "/nosuch.db makes one\\)"}};
  for (const auto& [arguments, message] : messages) {
    const Outcome run = Discover(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_THAT(run.err, MatchesRegex("erx-discover: " + message + "\n")) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
}

TEST(RunnerCli, HelpShowsEveryOptionInItsGroupAndEachSubcommandItsOwn) {
  const Outcome help = Discover("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, ContainsRegex("\nDevice:\n.*\nLive:\n.*\nSSH:\n.*\nSNMP:\n.*\nFleet:\n.*"
                                      "\nStore:\n.*\nOutput:\n"));
  // An option the groups forgot.
  EXPECT_THAT(help.out, Not(HasSubstr("\nOther:\n")));
  EXPECT_THAT(help.out, ContainsRegex("\nSubcommands:\n  diff .*\n  html .*\n  paths .*\n  vpns "));
  for (const std::string command : {"diff", "paths", "vpns", "html"}) {
    const Outcome own = Discover(command + " --help");
    EXPECT_EQ(own.status, 0) << command;
    EXPECT_THAT(own.out, HasSubstr("Usage: " ERX_RUNNER_PATH " " + command)) << command;
    EXPECT_THAT(own.out, HasSubstr("--store FILE")) << command;
    EXPECT_THAT(own.out, Not(HasSubstr("--capture"))) << command;
  }
}

// Which logs hold no command: tests/captures.
TEST(RunnerCli, ACaptureThatHoldsNoCommandIsAFailedDeviceWithItsReport) {
  Folder capture;
  capture.Write("cli.log", "pe9#\n");
  capture.Write("snmp.walk", ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n");
  Outcome run;
  const Json report = Report(capture.Path(), "", &run, 3);
  EXPECT_THAT(run.err,
              HasSubstr(": failed: the capture " + capture.Path() + "/cli.log holds no command\n"));
  EXPECT_EQ(report["health"]["status"], "failed");
  EXPECT_THAT(report["labelEntries"], IsEmpty());
}

// -o is written as every whole file is (tests/files): only by a run that
// succeeds, and following a link only to a regular file.
TEST(RunnerCli, TheReportFileIsReplacedOnlyBySuccessAndNotThroughALinkToAFifo) {
  Folder scratch;
  const std::string path = scratch.Path() + "/report.json";
  scratch.Write("report.json", "the previous report\n");
  EXPECT_EQ(Discover("--capture /nonexistent/pe9 -o " + path).status, 2);
  EXPECT_EQ(scratch.Read("report.json"), "the previous report\n");

  const Outcome written = Discover("-o " + path);
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_THAT(scratch.Read("report.json"), StartsWith("Device: pe1-erx\nAgent:  "));

  const std::string fifo = scratch.Path() + "/fifo", link = scratch.Path() + "/to-fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
  const Outcome refused = Discover("-o " + link);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "erx-discover: cannot write the report to " + link +
                             ": it is a symbolic link to something other than a regular file\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// Whether /proc shows the soft limit of `pid`'s core files as 0.
bool CoreFilesOff(pid_t pid) {
  std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
  std::stringstream text;
  text << limits.rdbuf();
  return std::regex_search(text.str(), std::regex("\nMax core file size +0 "));
}

// Its memory holds the secrets: no core file may keep them. It is caught
// waiting for a reader of its report.
TEST(RunnerCli, CoreDumpsAreOff) {
  rlimit allowed{};
  ASSERT_EQ(getrlimit(RLIMIT_CORE, &allowed), 0);
  if (allowed.rlim_max == 0) GTEST_SKIP() << "core dumps are off for the tests themselves";
  Folder scratch;
  const std::string fifo = scratch.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Allowed here, so that a 0 can only be its own doing.
  const rlimit raised{allowed.rlim_max, allowed.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_CORE, &raised), 0);
  const pid_t child = fork();
  if (child == 0) {
    execl(ERX_RUNNER_PATH, ERX_RUNNER_PATH, "-o", fifo.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setrlimit(RLIMIT_CORE, &allowed);
  bool off = false;
  for (int tries = 0; tries < 500 && !(off = CoreFilesOff(child)); ++tries) usleep(20000);
  EXPECT_TRUE(off);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets it finish
  char drain[4096];
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (reader < 0 || read(reader, drain, sizeof drain) <= 0) usleep(10000);
  }
  if (reader >= 0) close(reader);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
