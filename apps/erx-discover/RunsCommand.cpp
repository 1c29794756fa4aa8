// erx-discover runs --store URL [--format text|json] (see pollers/RunsListing.h).
#include <iostream>

#include "apps/CommandLine.h"
#include "apps/erx-discover/Subcommand.h"
#include "pollers/RunsListing.h"

namespace {

class RunsCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    command.add_option("--store", store_, "the results store (a file or postgresql://)")
        ->required()
        ->option_text("STORE");
    command.add_option("--format", format_, "output format")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
  }

  ExitCode Run() override {
    std::unique_ptr<store::JobStore> jobs;
    const Status opened = store::JobStore::Open(store_, store::Access::kRead, false).Into(jobs);
    const Result<store::JobsOverview> overview = opened.ok() ? jobs->Overview() : opened;
    if (!overview.ok()) return FailUsage("erx-discover", overview.message());
    const store::JobsOverview& found = overview.value();
    if (format_ == "json") {
      WriteRunsJson(found.runs, found.pollers, std::cout);
    } else {
      WriteRunsText(found.runs, found.pollers, std::cout);
    }
    return kExitOk;
  }

 private:
  std::string store_;
  std::string format_ = "text";
};

[[maybe_unused]] const bool kRuns =
    AddSubcommand<RunsCommand>("runs", "the runs of a store by status and region, and the pollers");

}  // namespace
