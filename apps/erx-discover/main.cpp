// erx-discover: acts as the discovery host for one router, captured or live,
// and prints what the agent module found; or discovers a whole fleet; or
// answers questions about the runs of a results store.
//
//   erx-discover                              the example device, text report
//   erx-discover --capture DIR --format json -o report.json
//   erx-discover --host ROUTER --user NAME    a live router (see discovery/LiveSettings.h)
//   erx-discover --inventory FILE [--jobs N] [--store DB] [--output-dir DIR]
//                                             a fleet (see fleet/FleetRun.h)
//   erx-discover diff --store DB [RUN_A RUN_B]
//                                             what changed (see store/RunDiff.h)
//   erx-discover paths|vpns|html --store DB  label paths, VPNs, a page of a run
//
// Without a subcommand see DeviceCommand.h; each subcommand is a file of its
// own (Subcommand.h). Exit statuses are those of apps/ExitCodes.h.
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "apps/CommandLine.h"
#include "apps/erx-discover/DeviceCommand.h"
#include "apps/erx-discover/Subcommand.h"
#include "transports/Secrets.h"
#include "version/Version.h"

namespace {

const char kProgram[] = "erx-discover";

// The option of the discovery itself given before `command`, if any: it
// would be taken and then ignored.
const CLI::Option* OptionBefore(const CLI::App& app) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->count() > 0) return option;
  }
  return nullptr;
}

int Run(int argc, char** argv) {
  // Before any secret is read: a crash must not leave them in a core file.
  KeepMemoryPrivate();
  CLI::App app{
      "Discovers Unisphere ERX routers with the MPLS agent module: one, captured or live, "
      "or a fleet; and answers questions about the runs of a results store."};
  app.set_version_flag("--version", version::Line(kProgram), "print the version and exit");
  app.require_subcommand(0, 1);
  DeviceCommand device(app);

  std::vector<SubcommandKind> kinds = SubcommandKinds();
  std::sort(kinds.begin(), kinds.end(),
            [](const SubcommandKind& a, const SubcommandKind& b) { return a.name < b.name; });
  std::vector<std::pair<CLI::App*, std::unique_ptr<Subcommand>>> subcommands;
  for (const SubcommandKind& kind : kinds) {
    CLI::App* command = app.add_subcommand(kind.name, kind.description);
    subcommands.emplace_back(command, kind.make());
    subcommands.back().second->Define(*command);
  }

  if (std::optional<int> status = ParseCommandLine(app, argc, argv, kProgram)) return *status;
  for (auto& [command, subcommand] : subcommands) {
    if (!command->parsed()) continue;
    if (OptionBefore(app))
      return FailUsage(kProgram, command->get_name() + " takes no options before it");
    return subcommand->Run();
  }
  return device.Run();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    // What escapes every subcommand: allocation, or the command-line library's definitions.
    return FailUsage(kProgram, e.what());
  }
}
