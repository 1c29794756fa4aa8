// A subcommand of erx-discover, each in a file of its own in this folder
// (DiffCommand.cpp is one). Adding one is a class and one line:
//
//   class QueueCommand : public Subcommand {
//    public:
//     void Define(CLI::App& command) override {
//       command.add_option("--store", storePath_, "the results store")->required();
//     }
//     ExitCode Run() override { ...; return kExitOk; }
//    private:
//     std::string storePath_;
//   };
//   [[maybe_unused]] const bool kQueue = AddSubcommand<QueueCommand>("queue", "what is queued");
//
// main() gives each a CLI11 subcommand of its own (with its own --help), and
// runs the one named on the command line; options of the discovery itself
// may not come before it.
#ifndef APPS_ERX_DISCOVER_SUBCOMMAND_H_
#define APPS_ERX_DISCOVER_SUBCOMMAND_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "apps/ExitCodes.h"

class Subcommand {
 public:
  virtual ~Subcommand() = default;
  // Adds the subcommand's options and arguments to `command`.
  virtual void Define(CLI::App& command) = 0;
  // Once the command line is parsed; a problem goes to standard error.
  virtual ExitCode Run() = 0;
};

struct SubcommandKind {
  std::string name;
  std::string description;  // one line, shown by erx-discover --help
  std::function<std::unique_ptr<Subcommand>()> make;
};

// Every kind added so far, in no particular order.
inline std::vector<SubcommandKind>& SubcommandKinds() {
  static std::vector<SubcommandKind> kinds;
  return kinds;
}

template <class Command>
bool AddSubcommand(const std::string& name, const std::string& description) {
  SubcommandKinds().push_back({name, description, [] { return std::make_unique<Command>(); }});
  return true;
}

#endif  // APPS_ERX_DISCOVER_SUBCOMMAND_H_
