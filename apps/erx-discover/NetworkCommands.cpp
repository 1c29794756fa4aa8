// erx-discover's questions about a whole run of a results store (see
// network/NetworkCommands.h):
//
//   erx-discover paths --store DB [--run N] [--device NAME] [--format text|json|dot|svg]
//   erx-discover vpns --store DB [--run N] [--format text|json|dot|svg] [--full]
//   erx-discover html --store DB [--run N] -o PAGE.html
#include <iostream>

#include "apps/CommandLine.h"
#include "apps/erx-discover/StoreSecrets.h"
#include "apps/erx-discover/Subcommand.h"
#include "network/NetworkCommands.h"

namespace {

class NetworkCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    command.add_option("--store", options_.storePath, "the results store")
        ->required()
        ->option_text("FILE");
    command.add_option("--run", options_.run, "the run (default: the last finished one)")
        ->option_text("N");
    DefineStoreSecrets(command, secretsFile_);
    DefineMore(command);
  }

  ExitCode Run() override {
    if (Status taken = TakeStorePassword(secretsFile_); !taken.ok()) {
      return FailUsage("erx-discover", taken.message());
    }
    const Status answered = Answer();
    if (answered.ok()) return kExitOk;
    return FailUsage("erx-discover", answered.message());
  }

 protected:
  virtual void DefineMore(CLI::App& command) = 0;
  virtual Status Answer() = 0;

  void DefineFormat(CLI::App& command) {
    command.add_option("--format", options_.format, "output format")
        ->check(CLI::IsMember({"text", "json", "dot", "svg"}))
        ->capture_default_str();
  }

  network::NetworkOptions options_;
  std::string secretsFile_;
};

class PathsCommand : public NetworkCommand {
  void DefineMore(CLI::App& command) override {
    command.add_option("--device", options_.device, "only the paths through this device")
        ->option_text("NAME");
    DefineFormat(command);
  }
  Status Answer() override { return network::ShowPaths(options_, std::cout); }
};

class VpnsCommand : public NetworkCommand {
  void DefineMore(CLI::App& command) override {
    DefineFormat(command);
    command.add_flag("--full", options_.full,
                     "text: name every VRF of a list (past eight, the count and the first five)");
  }
  Status Answer() override { return network::ShowVpns(options_, std::cout); }
};

class HtmlCommand : public NetworkCommand {
  void DefineMore(CLI::App& command) override {
    command.add_option("-o,--output", options_.output, "the page to write")
        ->required()
        ->option_text("PAGE.html");
  }
  Status Answer() override { return network::WritePage(options_); }
};

[[maybe_unused]] const bool kPaths =
    AddSubcommand<PathsCommand>("paths", "every label path of a run, followed router to router");
[[maybe_unused]] const bool kVpns = AddSubcommand<VpnsCommand>(
    "vpns", "the VPNs of a run's route targets, and what is wrong with them");
[[maybe_unused]] const bool kHtml = AddSubcommand<HtmlCommand>(
    "html", "one self-contained page of a run: summary, findings, pictures, changes");

}  // namespace
