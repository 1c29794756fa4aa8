// erx-discover queue --inventory FILE --store URL [--wait] (see pollers/QueueRun.h).
#include <iostream>

#include "apps/CommandLine.h"
#include "apps/erx-discover/Subcommand.h"
#include "pollers/QueueRun.h"

namespace {

class QueueCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    command.add_option("--inventory", options_.inventory, "the devices, each with a region")
        ->required()
        ->option_text("FILE");
    command.add_option("--store", options_.store, "the shared store (postgresql://...)")
        ->required()
        ->option_text("URL");
    command.add_flag("--wait", options_.wait,
                     "show the run's progress until it ends, then its summary");
  }

  ExitCode Run() override {
    switch (QueueRun(options_, std::cout, std::cerr)) {
      case FleetOutcome::kEveryDeviceDiscovered:
        return kExitOk;
      case FleetOutcome::kSomeDevicesFailed:
        return kExitSomeDevicesFailed;
      case FleetOutcome::kCannotStart:
        return kExitUsage;
    }
    return kExitUsage;
  }

 private:
  QueueOptions options_;
};

[[maybe_unused]] const bool kQueue = AddSubcommand<QueueCommand>(
    "queue", "queue an inventory as a run for the pollers of its regions");

}  // namespace
