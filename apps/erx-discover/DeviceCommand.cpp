#include "apps/erx-discover/DeviceCommand.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "apps/CommandLine.h"
#include "apps/InstalledPaths.h"
#include "apps/erx-discover/LiveCommandLine.h"
#include "discovery/DeviceHealth.h"
#include "files/WholeFile.h"
#include "host/KelError.h"
#include "report/JsonReport.h"
#include "report/TextReport.h"

namespace {

const char kProgram[] = "erx-discover";

void AddFleetOptions(CLI::App& app, FleetOptions& fleet) {
  auto* inventory =
      app.add_option("--inventory", fleet.inventory, "discover every device of this YAML inventory")
          ->option_text("FILE");
  // Each device's settings are in the inventory; none is silently overridden.
  std::vector<std::string> refused = {"--capture", "--host", "--output", "--format"};
  for (const std::string& flag : LiveOptionsOfEachDevice()) refused.push_back(flag);
  for (const std::string& flag : refused) inventory->excludes(app.get_option(flag));
  fleet.jobs = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
  app.add_option("--jobs", fleet.jobs, "devices discovered at a time, each in its own process")
      ->check(CLI::Range(1, 1024))
      ->capture_default_str()
      ->needs(inventory);
  app.add_option("--store", fleet.storePath,
                 "keep every device's report in this SQLite file or postgresql:// database")
      ->option_text("FILE")
      ->needs(inventory);
  app.add_option("--output-dir", fleet.outputDir,
                 "write each device's JSON report as DIR/NAME.json")
      ->option_text("DIR")
      ->needs(inventory);
}

// The groups in the order --help shows them, with the options that the table
// of live settings does not place.
const std::vector<std::pair<std::string, std::vector<std::string>>> kGroups = {
    {"Device", {"--capture", "--module", "--vrf", "--no-labels"}},
    {"Live", {"--host"}},
    {"SSH", {}},
    {"SNMP", {}},
    {"Fleet", {"--inventory", "--jobs", "--output-dir"}},
    {"Store", {"--store"}},
    {"Output", {"--format", "--output", "--debug"}},
    {"General", {"--help", "--version"}}};

// Every option into its --help group; one that is in none is shown under
// "Other" (and the help test fails, so that it gets one).
void GroupOptions(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) option->group("Other");
  GroupLiveOptions(app);
  for (const auto& [group, names] : kGroups) {
    for (const std::string& name : names) {
      if (CLI::Option* option = app.get_option_no_throw(name)) option->group(group);
    }
  }
}

// The program's --help shows the groups in the order of kGroups, not in the
// order the options were added; a subcommand's is CLI11's own.
class GroupedHelp : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    if (app->get_parent() || mode == CLI::AppFormatMode::Sub)
      return Formatter::make_help(app, name, mode);
    std::string text = make_description(app) + make_usage(app, name);
    std::vector<std::string> order;
    order.reserve(kGroups.size() + 1);
    for (const auto& group : kGroups) order.push_back(group.first);
    order.push_back("Other");
    for (const std::string& group : order) {
      const std::vector<const CLI::Option*> options =
          app->get_options([&](const CLI::Option* option) { return option->get_group() == group; });
      if (!options.empty()) text += make_group(group, false, options);
    }
    return text + make_subcommands(app, mode) + "\n" + make_footer(app);
  }
};

ExitCode ExitOfHealth(const report::Health& health) {
  switch (health.status) {
    case report::HealthStatus::kOk:
      return kExitOk;
    case report::HealthStatus::kPartial:
      return kExitPartial;
    case report::HealthStatus::kFailed:
      break;
  }
  return kExitFailed;
}

}  // namespace

DeviceCommand::DeviceCommand(CLI::App& app)
    : captureDir_(InstalledOr("share/erx-discover/devices/pe1-erx", ERX_EXAMPLE_DEVICE)) {
  options_.modulePath = InstalledOr("lib/erx-discover/" ERX_MODULE_FILE_NAME, ERX_DEFAULT_MODULE);
  auto* capture =
      app.add_option("--capture", captureDir_,
                     "folder of a captured device: cli.log, snmp.walk, snmp/CONTEXT.walk")
          ->capture_default_str();
  app.add_option("--format", format_, "report format")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  app.add_option("-o,--output", outputPath_, "write the report to FILE instead of standard output")
      ->option_text("FILE");
  app.add_option("--debug", debugLevel_,
                 "agent trace level (0-4); traces go to standard output when the report goes "
                 "to a file (-o), to standard error when it goes to standard output")
      ->check(CLI::Range(0, 4));
  app.add_flag("--no-labels", noLabels_, "the host wants no label data");
  app.add_option("--vrf", options_.wantedVrfs, "keep only this VRF (repeatable; default: all)")
      ->allow_extra_args(false)
      ->option_text("NAME");
  app.add_option("--module", options_.modulePath, "agent module to load")->capture_default_str();
  AddLiveOptions(app, live_, capture);
  AddFleetOptions(app, fleet_);
  GroupOptions(app);
  app.formatter(std::make_shared<GroupedHelp>());
}

ExitCode DeviceCommand::Run() {
  options_.gatherLabels = !noLabels_;
  return fleet_.inventory.empty() ? RunOneDevice() : RunFleet();
}

ExitCode DeviceCommand::RunFleet() {
  fleet_.deviceTimeoutSeconds = live_.deviceTimeoutSeconds;
  fleet_.discovery = options_;
  fleet_.debugLevel = debugLevel_;
  fleet_.quiet = live_.quiet;
  const Outcome<FleetOutcome> run = ::RunFleet(fleet_, std::cout);
  switch (run.code()) {
    case FleetOutcome::kEveryDeviceDiscovered:
      return kExitOk;
    case FleetOutcome::kSomeDevicesFailed:
      return kExitSomeDevicesFailed;
    case FleetOutcome::kCannotStart:
      break;
  }
  return FailUsage(kProgram, run.message());
}

ExitCode DeviceCommand::RunOneDevice() {
  // The report is written beside its place and renamed into it: a run that
  // fails leaves the previous report as it was. Opened first, so that a place
  // it cannot be written to is found before the router is contacted.
  files::WholeFile file(outputPath_);
  if (!outputPath_.empty()) {
    if (Status opened = file.Open(); !opened.ok()) {
      return FailUsage(kProgram,
                       "cannot write the report to " + outputPath_ + ": " + opened.message());
    }
  }
  DeviceSource source;
  source.capture = captureDir_;
  source.live = live_;
  __Kelwick_Debug_Level = debugLevel_;
  report::Report found;
  const Outcome<DeviceOutcome> discovered =
      DiscoverOneDevice(source, options_, outputPath_.empty(), found);
  switch (discovered.code()) {
    case DeviceOutcome::kDiscovered:
      break;
    case DeviceOutcome::kUnreachable:
      FailUsage(kProgram, discovered.message());
      return kExitFailed;
    case DeviceOutcome::kCannotStart:
      return FailUsage(kProgram, discovered.message());
  }

  std::ostream& out = outputPath_.empty() ? std::cout : file.Stream();
  if (format_ == "json") {
    WriteJsonReport(found, out);
  } else {
    WriteTextReport(found, out);
  }
  if (outputPath_.empty()) {
    if (!out.flush()) return FailUsage(kProgram, "cannot write the report to standard output");
  } else if (Status written = file.Commit(); !written.ok()) {
    return FailUsage(kProgram,
                     "cannot write the report to " + outputPath_ + ": " + written.message());
  }
  const ExitCode status = ExitOfHealth(found.health);
  if (status != kExitOk)
    std::cerr << kProgram << ": " << found.device << ": " << HealthLine(found.health) << "\n";
  return status;
}
