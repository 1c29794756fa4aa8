// erx-discover: captures read back (Telnet log, snmpwalk output, replayed sessions) and
// discovered: the example devices of devices/README.md, broken captures, the command line.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "captures/CliCapture.h"
#include "captures/SnmpWalkFile.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"
#include "transports/ReplayTransport.h"

using Json = nlohmann::ordered_json;
using namespace testing;

namespace {

using Folder = TempFolder;

TEST(CliLog, PromptsNameTheContextAndOnlyTheFirstHostMakesOne) {
  const CliCapture capture = ParseCliLog(
      "Welcome to the lab router\n"
      "pe1>enable\n"
      "pe1#show ip vrf\ndefault's vrfs\npe2#output, as is\npe1x#this\n"
      "pe1#virtual-router vr2\n"
      "pe1:vr2#show ip vrf\nvr2's vrfs\n"
      "pe1:vr2:red(config)#show   ip   vrf  \ninside red\n"
      "pe1:default>show clock\n12:00\n"
      "pe1:vr2#show ip vrf\nnot the first capture\n"
      "pe1#show ip route vrf red\n10.5.0.0/16  Bgp  2.2.2.2\n10.6.0.0/16  Bgp");
  EXPECT_EQ(capture.host, "pe1");
  EXPECT_THAT(capture.contexts, ElementsAre("default", "vr2", "vr2:red"));
  EXPECT_THAT(capture.Reply("default", "show ip vrf"),
              Pointee(std::string("default's vrfs\npe2#output, as is\npe1x#this\n")));
  EXPECT_THAT(capture.Reply("vr2", "show ip vrf"), Pointee(std::string("vr2's vrfs\n")));
  EXPECT_THAT(capture.Reply("vr2:red", "show ip vrf"), Pointee(std::string("inside red\n")));
  EXPECT_THAT(capture.Reply("default", "show clock"), Pointee(std::string("12:00\n")));
  EXPECT_THAT(capture.Reply("vr2", "show clock"), IsNull());
  EXPECT_THAT(capture.Reply("default", "show ip route vrf red"),
              Pointee(std::string("10.5.0.0/16  Bgp  2.2.2.2\n10.6.0.0/16  Bgp")));
}

TEST(CliLog, OutputKeepsItsBytesButLosesCarriageReturnsAndPagingMarks) {
  const std::string erase = std::string(10, '\b') + std::string(10, ' ') + std::string(10, '\b');
  const CliCapture capture = ParseCliLog(
      "pe1#show mpls forwarding brief\r\n"
      "to-pe2   2.2.2.2/32   In 17  \r\n"
      " --More-- " +
      erase +
      "         Out 20\r\n"
      "--More--\r        \r         10.2.2.0/24   In 18\r\n"
      " --More--\r\n"
      "\r\n\tOut 21\r\n"
      "pe1#exit\r\n");
  EXPECT_THAT(capture.Reply("default", "show mpls forwarding brief"),
              Pointee(std::string("to-pe2   2.2.2.2/32   In 17  \n         Out 20\n"
                                  "         10.2.2.0/24   In 18\n\n\tOut 21\n")));
}

TEST(SnmpWalk, ColumnsByNumberOrNameAndValueForms) {
  std::vector<std::string> warnings;
  WalkColumns columns = ParseSnmpWalk(
      ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"tun \\\"mpls\\\":1\"\n"
      ".1.3.6.1.2.1.2.2.1.10.7 = Counter32: 1234\n"
      "IF-MIB::ifDescr.8 = \"\"\n"
      "SNMPv2-SMI::mib-2.2.2.1.7.7 = INTEGER: down(2)\n"
      "RFC1213-MIB::ipAdEntIfIndex.10.1.1.2 = INTEGER: 8\n"
      ".1.3.6.1.2.1.2.2.1.6.1 = Hex-STRING: 00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 \n12 "
      "03 \n",
      "vr1.walk", warnings);
  EXPECT_EQ(columns.size(), 4u) << "ifInOctets is not a column the host asks for";
  EXPECT_THAT(columns["ifDescr"],
              ElementsAre(Field(&WalkRow::text, "tun \"mpls\":1"), Field(&WalkRow::text, "")));
  EXPECT_TRUE(columns["ifAdminStatus"][0].isInt);
  EXPECT_EQ(columns["ifAdminStatus"][0].intValue, 2);
  EXPECT_THAT(columns["ipAdEntIfIndex"][0].instance, ElementsAre(10u, 1u, 1u, 2u));
  EXPECT_EQ(columns["ifPhysAddress"][0].text,
            "00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 12 03");
}

TEST(SnmpWalk, UnreadableLinesAreNamedByFileAndLineAndOnlyTheyAreLost) {
  std::vector<std::string> warnings;
  WalkColumns columns = ParseSnmpWalk(
      ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n"
      "garbage in the capture\n"
      ".1.3.6.1.2.1.2.2.1.7.1 = INTEGER: sideways\n"
      ".1.3.x.1 = INTEGER: 1\n"
      ".1.3.6.1.2.1.2.2.1.2 = No Such Object available on this agent at this OID\n"
      ".1.3.6.1.2.1.4.20.1.2 = No Such Instance currently exists at this OID\n"
      ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"ATM3/0\"\n"
      ".1.3.6.1.2.1.2.2.1.2.4 = STRING: \"cut short\n",
      "vr1.walk", warnings);
  ASSERT_THAT(warnings, SizeIs(4));
  EXPECT_EQ(warnings[0],
            "vr1.walk:2: not a walk line (\"OID = TYPE: value\"): garbage in the capture");
  EXPECT_THAT(warnings[1], StartsWith("vr1.walk:3: INTEGER value is not a number"));
  EXPECT_THAT(warnings[2], StartsWith("vr1.walk:4: cannot read the object identifier"));
  EXPECT_THAT(warnings[3], StartsWith("vr1.walk:8: quoted string never ends"));
  EXPECT_EQ(columns.size(), 1u);
  ASSERT_THAT(columns["ifDescr"], SizeIs(2));
  EXPECT_EQ(columns["ifDescr"][1].text, "ATM3/0");
}

// The texts of a reply vector; "<none>" for an atom without text.
std::vector<std::string> Texts(CKelAtomVector* replies) {
  std::unique_ptr<CKelAtomVector> owned(replies);
  std::vector<std::string> texts;
  for (int i = 0; replies && i < replies->RAVSize(); ++i) {
    const char* text = replies->RAVGetValue(i)->RAString();
    texts.push_back(text ? text : "<none>");
  }
  return texts;
}

TEST(ReplayDevice, SessionsStartInDefaultAndFollowVirtualRouterSwitches) {
  Folder capture;
  capture.Write("cli.log",
                "pe1#show ip vrf\nred\npe1#virtual-router vr2\npe1:vr2#show ip vrf\ngreen\n");
  ReplayTransport device;
  const Status loaded = device.Load(capture.Path());
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_THAT(Texts(device.RunCommands(
                  nullptr, {"show ip vrf", "virtual-router vr2", "show ip vrf",
                            "show mpls interface", "virtual-router vr9", "show ip vrf"})),
              ElementsAre("red\n", "", "green\n", "<none>", "<none>", "<none>"));
  EXPECT_THAT(Texts(device.RunCommands(nullptr, {"show ip vrf"})), ElementsAre("red\n"));
}

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

  // The report's shape is the schema's (tests/schemas); its keys' order is fixed here.
  std::string keys, owners;
  for (const auto& item : report.items()) keys += item.key() + " ";
  EXPECT_EQ(keys,
            "device agent generator virtualRouters labelEntries vrfs interfaces ipAddresses errors "
            "warnings health ");
  EXPECT_EQ(report["health"]["status"], "ok");
  EXPECT_EQ(report["health"]["cli"]["answered"], report["health"]["cli"]["sent"]);
  EXPECT_EQ(report["health"]["snmp"]["walksUnanswered"], 0);
  EXPECT_EQ(report["device"], "pe1-erx");
  EXPECT_EQ(report["agent"], "Discovery Agent for Unisphere ERX MPLS information using Telnet");
  EXPECT_THAT(
      report["generator"].get<std::string>(),
      MatchesRegex("erx-discover [0-9]+\\.[0-9]+\\.[0-9]+( \\(commit [0-9a-f]+(-dirty)?\\))?"));
  EXPECT_EQ(Values(report["virtualRouters"]),
            Json::parse(R"([["default", ["red", "blue"]], ["vr2", ["green", "lab"]]])"));
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
  EXPECT_EQ(report["labelEntries"], Json::parse(R"([
      {"virtualRouter": "default", "inLabel": "17", "owner": "ldp", "action": "swap", "outLabel": "29",
       "outInterface": "ATM2/0.1", "outIfIndex": 10, "nextHop": "10.2.1.2",
       "labelSpace": "Platform label space", "layout": "label-table"},
      {"virtualRouter": "default", "inLabel": "18", "owner": "ldp", "action": "swap", "outLabel": "30",
       "outInterface": "ATM2/0.1", "outIfIndex": 10, "nextHop": "10.2.1.2",
       "labelSpace": "Platform label space", "layout": "label-table"},
      {"virtualRouter": "default", "inLabel": "19", "owner": "ldp", "action": "pop",
       "outInterface": "ATM2/0.1", "outIfIndex": 10, "nextHop": "10.2.1.2",
       "labelSpace": "Platform label space", "layout": "label-table"},
      {"virtualRouter": "default", "inLabel": "201", "owner": "bgp", "action": "lookup",
       "labelSpace": "Platform label space", "layout": "label-table"},
      {"virtualRouter": "default", "inLabel": "300", "owner": "l2vpn", "action": "pop",
       "outInterface": "ATM2/0.40", "labelSpace": "Platform label space", "layout": "label-table"}])"));
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
  EXPECT_THAT(run.out, HasSubstr("::GenerateIfDescrToIfIndexTL() failure of medData retrieval of "
                                 "ipAdEntIfIndex.default\n"));
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
  const Json noLabels = Report(kDevices + "pe1-erx", "--no-labels");
  EXPECT_THAT(noLabels["labelEntries"], IsEmpty());
  EXPECT_EQ(noLabels["vrfs"].size(), 4u);
  for (const Json& vrf : noLabels["vrfs"]) EXPECT_THAT(vrf["impositions"], IsEmpty());
  const Json red = Report(kDevices + "pe1-erx", "--vrf red");
  EXPECT_EQ(red["vrfs"].size(), 1u);
  EXPECT_EQ(red["vrfs"][0]["name"], "red");
  EXPECT_EQ(red["labelEntries"].size(), 5u);
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
  size_t at = 0;
  for (const char* group : {"Device", "Live", "SSH", "SNMP", "Fleet", "Store", "Output"}) {
    const size_t heading = help.out.find(std::string("\n") + group + ":\n");
    EXPECT_NE(heading, std::string::npos) << group;
    EXPECT_GT(heading, at) << group << " out of order";
    at = heading == std::string::npos ? at : heading;
  }
  EXPECT_THAT(help.out, Not(HasSubstr("\nOther:\n")));
  EXPECT_THAT(help.out, ContainsRegex("\nSubcommands:\n  diff .*\n  html .*\n  paths .*\n  vpns "));
  for (const std::string command : {"diff", "paths", "vpns", "html"}) {
    const Outcome own = Discover(command + " --help");
    EXPECT_EQ(own.status, 0) << command;
    EXPECT_THAT(own.out, HasSubstr("Usage: " ERX_RUNNER_PATH " " + command)) << command;
    EXPECT_THAT(own.out, HasSubstr("--store FILE")) << command;
    EXPECT_THAT(own.out, Not(HasSubstr("--capture"))) << command;
    const Outcome before = Discover("--debug 1 " + command + " --store x.db" +
                                    (command == "html" ? " -o x.html" : ""));
    EXPECT_EQ(before.status, 2) << command;
    EXPECT_EQ(before.err, "erx-discover: " + command + " takes no options before it\n");
  }
}

TEST(RunnerCli, ACaptureThatHoldsNoCommandIsAFailedDeviceWithItsReport) {
  for (const std::string log : {"", "Welcome\n", "pe9#\n"}) {
    Folder capture, scratch;
    capture.Write("cli.log", log);
    capture.Write("snmp.walk", ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n");
    const Outcome run =
        Discover("--capture " + capture.Path() + " --format json -o " + scratch.Path() + "/r");
    EXPECT_EQ(run.status, 3) << log;
    EXPECT_THAT(run.err, HasSubstr(": failed: the capture " + capture.Path() +
                                   "/cli.log holds no command\n"))
        << log;
    const Json report = Json::parse(scratch.Read("r"));
    EXPECT_EQ(report["health"]["status"], "failed");
    EXPECT_THAT(report["labelEntries"], IsEmpty());
  }
}

TEST(RunnerCli, AFailedRunLeavesThePreviousReportFileAsItWas) {
  Folder scratch;
  scratch.Write("report.json", "the previous report\n");
  const Outcome run = Discover("--capture /nonexistent/pe9 -o " + scratch.Path() + "/report.json");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(scratch.Read("report.json"), "the previous report\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.Path() + "/report.json.partial"));

  const Outcome written = Discover("-o " + scratch.Path() + "/report.json");
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_THAT(scratch.Read("report.json"), StartsWith("Device: pe1-erx\nAgent:  "));
  EXPECT_FALSE(std::filesystem::exists(scratch.Path() + "/report.json.partial"));
}

// -o is written as every whole file is (tests/files): through no link planted
// beside the report, following a link it is given only to a regular file.
TEST(RunnerCli, TheReportIsWrittenThroughNoLinkAndNoLinkToAFifo) {
  Folder scratch, elsewhere;
  elsewhere.Write("victim", "the victim\n");
  const std::string victim = elsewhere.Path() + "/victim";
  ASSERT_EQ(symlink(victim.c_str(), (scratch.Path() + "/report.json.partial").c_str()), 0);
  const Outcome written = Discover("-o " + scratch.Path() + "/report.json");
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(elsewhere.Read("victim"), "the victim\n");
  EXPECT_THAT(scratch.Read("report.json"), StartsWith("Device: pe1-erx\n"));

  const std::string fifo = scratch.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  const std::string link = scratch.Path() + "/to-fifo";
  ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
  const Outcome refused = Discover("-o " + link);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "erx-discover: cannot write the report to " + link +
                             ": it is a symbolic link to something other than a regular file\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// The soft limit of `pid`'s core files, as /proc shows it ("unlimited", "0").
std::string CoreLimit(pid_t pid) {
  std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
  std::string line;
  while (std::getline(limits, line)) {
    if (line.rfind("Max core file size", 0) != 0) continue;
    std::istringstream fields(line.substr(18));
    std::string soft;
    fields >> soft;
    return soft;
  }
  return "";
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
  std::string limit;
  for (int tries = 0; tries < 500 && (limit = CoreLimit(child)) != "0"; ++tries) usleep(20000);
  EXPECT_EQ(limit, "0");
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
