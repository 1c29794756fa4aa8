// erx-discover poller --store URL --region R [--region R2 ...] [--jobs N]
//                     [--name NAME] [--once] [--secrets-file FILE]
//                     [--heartbeat S] [--lease S] [--poll S] [--device-timeout S]
// (see pollers/Poller.h).
#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "apps/CommandLine.h"
#include "apps/InstalledPaths.h"
#include "apps/erx-discover/Subcommand.h"
#include "pollers/Poller.h"

namespace {

// The inventory's rule for a region.
bool IsRegion(const std::string& text) {
  if (text.empty() || text.size() > 64 || !std::isalnum(static_cast<unsigned char>(text[0]))) {
    return false;
  }
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') {
      return false;
    }
  }
  return true;
}

class PollerCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    options_.discovery.modulePath =
        InstalledOr("lib/erx-discover/" ERX_MODULE_FILE_NAME, ERX_DEFAULT_MODULE);
    command.add_option("--store", options_.store, "the shared store (postgresql://...)")
        ->required()
        ->option_text("URL");
    command.add_option("--region", options_.regions, "a region whose jobs it takes (repeatable)")
        ->required()
        ->option_text("REGION");
    command.add_option("--jobs", options_.jobs, "devices discovered at once")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    command.add_option("--name", options_.name, "its name (default: host name and process id)")
        ->option_text("NAME");
    command.add_flag("--once", options_.once,
                     "end when no job of its regions is waiting or being discovered");
    // NOSHAPE: the poller's own secrets, on its machine; a job's never travel with it
    command
        .add_option("--secrets-file", options_.secretsFile,
                    "variables holding secrets, besides the environment")
        ->option_text("FILE");
    command.add_option("--heartbeat", options_.heartbeatSeconds, "seconds between heartbeats")
        ->check(CLI::Range(0.05, 3600.0))
        ->capture_default_str();
    command
        .add_option("--lease", lease_,
                    "seconds a job stays held without a heartbeat (default: 3 heartbeats)")
        ->check(CLI::Range(0.1, 36000.0));
    command.add_option("--poll", options_.pollSeconds, "seconds between looks at the queue")
        ->check(CLI::Range(0.05, 3600.0))
        ->capture_default_str();
    // NOSHAPE: the poller's bound on every job it takes
    command
        .add_option("--device-timeout", options_.deviceTimeoutSeconds,
                    "seconds a device may take (0: no limit)")
        ->check(CLI::Range(0.0, 86400.0))
        ->capture_default_str();
    command.add_option("--module", options_.discovery.modulePath, "agent module to load")
        ->capture_default_str();
  }

  ExitCode Run() override {
    for (const std::string& region : options_.regions) {
      if (!IsRegion(region)) {
        return FailUsage("erx-discover",
                         "--region " + region +
                             ": not a region: letters, digits, '.', '_' and "
                             "'-', beginning with a letter or digit, at most 64 characters");
      }
    }
    options_.leaseSeconds = lease_ > 0 ? lease_ : 3 * options_.heartbeatSeconds;
    if (options_.leaseSeconds <= options_.heartbeatSeconds) {
      return FailUsage("erx-discover",
                       "--lease must be longer than --heartbeat (a few heartbeats)");
    }
    return RunPoller(options_, std::cout, std::cerr) ? kExitOk : kExitUsage;
  }

 private:
  PollerOptions options_;
  double lease_ = 0;
};

[[maybe_unused]] const bool kPoller = AddSubcommand<PollerCommand>(
    "poller", "discover the devices of shared runs for some regions, from a PostgreSQL store");

}  // namespace
