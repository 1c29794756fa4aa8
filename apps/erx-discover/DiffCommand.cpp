// erx-discover diff --store DB [RUN_A RUN_B] [--format text|json]: what
// changed between two runs (see store/RunDiff.h).
#include <iostream>
#include <vector>

#include "apps/CommandLine.h"
#include "apps/erx-discover/StoreSecrets.h"
#include "apps/erx-discover/Subcommand.h"
#include "store/RunDiff.h"

namespace {

class DiffCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    command.add_option("--store", diff_.storePath, "the results store")
        ->required()
        ->option_text("FILE");
    command.add_option("runs", runs_, "RUN_A RUN_B: the two runs (default: the last two)")
        ->expected(2);
    command.add_option("--format", diff_.format, "output format")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
    DefineStoreSecrets(command, secretsFile_);
  }

  ExitCode Run() override {
    if (Status taken = TakeStorePassword(secretsFile_); !taken.ok()) {
      return FailUsage("erx-discover", taken.message());
    }
    if (runs_.size() == 2) {
      diff_.runA = runs_[0];
      diff_.runB = runs_[1];
    }
    const Outcome<store::DiffOutcome> diff = store::DiffRuns(diff_, std::cout);
    switch (diff.code()) {
      case store::DiffOutcome::kNothingChanged:
        return kExitOk;
      case store::DiffOutcome::kSomethingChanged:
        return kExitChanged;
      case store::DiffOutcome::kFailed:
        break;
    }
    return FailUsage("erx-discover", diff.message());
  }

 private:
  store::DiffOptions diff_;
  std::vector<int64_t> runs_;
  std::string secretsFile_;
};

[[maybe_unused]] const bool kDiff = AddSubcommand<DiffCommand>(
    "diff", "what changed between two runs of a results store (exit 0: nothing, 1: something)");

}  // namespace
