// erx-discover: acts as the discovery host for one router, captured or live,
// and prints what the agent module found; or discovers a whole fleet.
//
//   erx-discover                              the example device, text report
//   erx-discover --capture DIR --format json -o report.json
//
//   erx-discover --host ROUTER --user NAME    a live router (see LiveOptions.h)
//
//   erx-discover --inventory FILE [--jobs N] [--store DB] [--output-dir DIR]
//                                             a fleet (see fleet/FleetRun.h);
//                                             exit 0, 4 some devices failed
//   erx-discover diff --store DB [RUN_A RUN_B]
//                                             what changed (see store/RunDiff.h)
//   erx-discover paths|vpns|html --store DB  label paths, VPNs, a page of a run
//                                             (see NetworkSubcommands.h)
//   erx-discover serve --store DB             the store as web pages (see ServeSubcommand.h)
//
// The agent's traces (--debug) never share a stream with the report: with -o
// they go to standard output, without it to standard error.
//
// Exit status: 0 when everything of the device answered (the agent's own
// errors are in the report), 5 when discovery ran but something did not
// answer, 3 when the live router could not be reached, refused the login, or
// its CLI or SNMP answered nothing (the capture held nothing), 2 for bad
// usage, an unreadable device folder, a module that cannot be loaded or a
// report file that cannot be written. The report is written whenever
// discovery ran.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "apps/CommandLine.h"
#include "apps/erx-discover/NetworkSubcommands.h"
#include "apps/erx-discover/ServeSubcommand.h"
#include "fleet/FleetRun.h"
#include "report/JsonReport.h"
#include "host/KelError.h"
#include "discovery/DeviceHealth.h"
#include "discovery/LiveOptions.h"
#include "store/RunDiff.h"
#include "discovery/SingleDevice.h"
#include "report/TextReport.h"

namespace {

const char kProgram[] = "erx-discover";

int Fail(const std::string& what) { return FailUsage(kProgram, what); }

void AddFleetOptions(CLI::App& app, FleetOptions& fleet) {
  auto* inventory =
      app.add_option("--inventory", fleet.inventory, "discover every device of this YAML inventory")
          ->option_text("FILE");
  // Each device's settings are in the inventory; none is silently overridden.
  for (const char* single : {"--capture", "--host", "--output", "--format", "--save-capture",
                             "--telnet-port", "--snmp-port", "--user", "--snmp-version",
                             "--snmp-user", "--snmp-auth", "--snmp-priv", "--context-community",
                             "--timeout", "--secrets-file", "--paging", "--ssh", "--ssh-port",
                             "--ssh-identity", "--known-hosts", "--accept-new-host-key",
                             "--ssh-option"}) {
    inventory->excludes(app.get_option(single));
  }
  fleet.jobs = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
  app.add_option("--jobs", fleet.jobs, "devices discovered at a time, each in its own process")
      ->check(CLI::Range(1, 1024))
      ->capture_default_str()
      ->needs(inventory);
  app.add_option("--store", fleet.storePath, "keep every device's report in this SQLite file")
      ->option_text("FILE")
      ->needs(inventory);
  app.add_option("--output-dir", fleet.outputDir, "write each device's JSON report as DIR/NAME.json")
      ->option_text("DIR")
      ->needs(inventory);
}

CLI::App* AddDiffCommand(CLI::App& app, store::DiffOptions& diff, std::vector<int64_t>& runs) {
  CLI::App* command = app.add_subcommand(
      "diff", "what changed between two runs of a results store (exit 0: nothing, 1: something)");
  command->add_option("--store", diff.storePath, "the results store")->required()->option_text("FILE");
  command->add_option("runs", runs, "RUN_A RUN_B: the two runs (default: the last two)")
      ->expected(2);
  command->add_option("--format", diff.format, "output format")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  return command;
}

int RunDiff(store::DiffOptions diff, const std::vector<int64_t>& runs) {
  if (runs.size() == 2) {
    diff.runA = runs[0];
    diff.runB = runs[1];
  }
  std::string problem;
  const int status = store::DiffRuns(diff, std::cout, problem);
  if (status == store::kDiffFailed) FailUsage(kProgram, problem);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Discovers Unisphere ERX routers with the MPLS agent module: one, captured or live, "
      "or a fleet."};
  std::string captureDir = ERX_EXAMPLE_DEVICE;
  std::string format = "text";
  std::string outputPath;
  int debugLevel = 0;
  bool noLabels = false;
  DiscoveryOptions options;
  options.modulePath = ERX_DEFAULT_MODULE;

  auto* capture = app.add_option("--capture", captureDir,
                                 "folder of a captured device: cli.log, snmp.walk, snmp/CONTEXT.walk")
                      ->capture_default_str();
  app.add_option("--format", format, "report format")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  app.add_option("-o,--output", outputPath, "write the report to FILE instead of standard output")
      ->option_text("FILE");
  app.add_option("--debug", debugLevel,
                 "agent trace level (0-4); traces go to standard output when the report goes "
                 "to a file (-o), to standard error when it goes to standard output")
      ->check(CLI::Range(0, 4));
  app.add_flag("--no-labels", noLabels, "the host wants no label data");
  app.add_option("--vrf", options.wantedVrfs, "keep only this VRF (repeatable; default: all)")
      ->allow_extra_args(false)
      ->option_text("NAME");
  app.add_option("--module", options.modulePath, "agent module to load")->capture_default_str();
  LiveOptions live;
  AddLiveOptions(app, live, capture);
  FleetOptions fleet;
  AddFleetOptions(app, fleet);
  store::DiffOptions diff;
  std::vector<int64_t> diffRuns;
  CLI::App* diffCommand = AddDiffCommand(app, diff, diffRuns);
  const NetworkSubcommands networkCommands(app);
  ServeSubcommand serveCommand(app);

  if (std::optional<int> status = ParseCommandLine(app, argc, argv, kProgram)) return *status;
  options.gatherLabels = !noLabels;
  if (diffCommand->parsed()) {
    if (argc > 1 && std::string(argv[1]) != "diff") return Fail("diff takes no options before it");
    return RunDiff(diff, diffRuns);
  }
  if (std::optional<int> status = networkCommands.Run(argc, argv, kProgram)) return *status;
  if (std::optional<int> status = serveCommand.Run(argc, argv, kProgram)) return *status;
  if (!fleet.inventory.empty()) {
    fleet.deviceTimeoutSeconds = live.deviceTimeoutSeconds;
    fleet.discovery = options;
    fleet.debugLevel = debugLevel;
    fleet.quiet = live.quiet;
    std::string problem;
    const int status = RunFleet(fleet, std::cout, problem);
    if (status == kFleetCannotStart) FailUsage(kProgram, problem);
    return status;
  }

  // The report is written beside its place and renamed into it: a run that
  // fails leaves the previous report as it was.
  const std::string partialPath = outputPath.empty() ? "" : outputPath + ".partial";
  std::ofstream file;
  if (!outputPath.empty()) {
    file.open(partialPath);
    if (!file) return Fail("cannot write the report to " + outputPath);
  }
  auto dropPartial = [&] {
    if (!partialPath.empty()) std::remove(partialPath.c_str());
  };
  DeviceSource source;
  source.capture = captureDir;
  source.live = live;
  __Kelwick_Debug_Level = debugLevel;
  report::Report found;
  std::string problem;
  if (int status = DiscoverOneDevice(source, options, outputPath.empty(), found, problem)) {
    dropPartial();
    FailUsage(kProgram, problem);
    return status;
  }

  std::ostream& out = outputPath.empty() ? std::cout : file;
  if (format == "json") {
    WriteJsonReport(found, out);
  } else {
    WriteTextReport(found, out);
  }
  out.flush();
  if (!outputPath.empty()) file.close();
  if (!out || (!outputPath.empty() && std::rename(partialPath.c_str(), outputPath.c_str()) != 0)) {
    dropPartial();
    return Fail("cannot write the report to " +
                (outputPath.empty() ? std::string("standard output") : outputPath));
  }
  const int status = ExitStatusOf(found.health);
  if (status != kDiscovered) std::cerr << kProgram << ": " << found.device << ": " << HealthLine(found.health) << "\n";
  return status;
}
