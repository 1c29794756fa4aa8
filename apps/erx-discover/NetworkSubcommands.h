// erx-discover's questions about a whole run of a results store:
//
//   erx-discover paths --store DB [--run N] [--device NAME] [--format text|json|dot|svg]
//   erx-discover vpns --store DB [--run N] [--format text|json|dot|svg] [--full]
//   erx-discover html --store DB [--run N] -o PAGE.html
//
// (see network/NetworkCommands.h). Exit status 0, or 2 with one line on
// standard error when the store, the run or the device cannot be used.
#ifndef APPS_ERX_DISCOVER_NETWORKSUBCOMMANDS_H_
#define APPS_ERX_DISCOVER_NETWORKSUBCOMMANDS_H_

#include <iostream>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "apps/CommandLine.h"
#include "network/NetworkCommands.h"

class NetworkSubcommands {
 public:
  explicit NetworkSubcommands(CLI::App& app) {
    paths_ = Add(app, "paths", "every label path of a run, followed router to router", paths_options_);
    paths_->add_option("--device", paths_options_.device, "only the paths through this device")
        ->option_text("NAME");
    AddFormat(paths_, paths_options_);
    vpns_ = Add(app, "vpns", "the VPNs of a run's route targets, and what is wrong with them",
                vpns_options_);
    AddFormat(vpns_, vpns_options_);
    vpns_->add_flag("--full", vpns_options_.full,
                    "text: name every VRF of a list (past eight, the count and the first five)");
    html_ = Add(app, "html", "one self-contained page of a run: summary, findings, pictures, changes",
                html_options_);
    html_->add_option("-o,--output", html_options_.output, "the page to write")
        ->required()
        ->option_text("PAGE.html");
  }

  // The exit status when one of them was asked for.
  std::optional<int> Run(int argc, char** argv, const std::string& program) const {
    std::string problem;
    int status = 0;
    for (const CLI::App* command : {paths_, vpns_, html_}) {
      // Options of the discovery itself would be taken and then ignored.
      if (command->parsed() && (argc < 2 || command->get_name() != argv[1])) {
        return FailUsage(program, command->get_name() + " takes no options before it");
      }
    }
    if (paths_->parsed()) {
      status = network::ShowPaths(paths_options_, std::cout, problem);
    } else if (vpns_->parsed()) {
      status = network::ShowVpns(vpns_options_, std::cout, problem);
    } else if (html_->parsed()) {
      status = network::WritePage(html_options_, problem);
    } else {
      return std::nullopt;
    }
    if (status != 0) FailUsage(program, problem);
    return status;
  }

 private:
  static CLI::App* Add(CLI::App& app, const char* name, const char* what,
                       network::NetworkOptions& options) {
    CLI::App* command = app.add_subcommand(name, what);
    command->add_option("--store", options.storePath, "the results store")
        ->required()
        ->option_text("FILE");
    command->add_option("--run", options.run, "the run (default: the last finished one)")
        ->option_text("N");
    return command;
  }
  static void AddFormat(CLI::App* command, network::NetworkOptions& options) {
    command->add_option("--format", options.format, "output format")
        ->check(CLI::IsMember({"text", "json", "dot", "svg"}))
        ->capture_default_str();
  }

  network::NetworkOptions paths_options_, vpns_options_, html_options_;
  CLI::App* paths_ = nullptr;
  CLI::App* vpns_ = nullptr;
  CLI::App* html_ = nullptr;
};

#endif  // APPS_ERX_DISCOVER_NETWORKSUBCOMMANDS_H_
