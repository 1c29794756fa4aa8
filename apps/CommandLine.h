// Command-line parsing shared by erx-discover and erx-simulator: --help (of
// the program or of a subcommand) and --version print to standard output and
// end with 0, a bad command line ends with kExitUsage and one line on
// standard error that names the program.
//
//   if (std::optional<int> status = ParseCommandLine(app, argc, argv, "erx-discover")) return
//   *status;
#ifndef APPS_COMMANDLINE_H_
#define APPS_COMMANDLINE_H_

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "apps/ExitCodes.h"
#include "report/NearestName.h"

// One line on standard error; kExitUsage.
inline ExitCode FailUsage(const std::string& program, const std::string& what) {
  std::cerr << program << ": " << what << "\n";
  return kExitUsage;
}

// Every long option of `app` and of its subcommands ("--debug").
inline void LongOptionNames(const CLI::App& app, std::vector<std::string>& names) {
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    LongOptionNames(*command, names);
  }
}

// "unknown option --debgu; did you mean --debug?" for the first option of
// `argv` that `app` does not know but that is near one it does; else "".
inline std::string MisspeltOption(const CLI::App& app, int argc, char** argv) {
  std::vector<std::string> known;
  LongOptionNames(app, known);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) != 0 || !argv[i][2]) continue;
    const std::string typed = std::string(argv[i]).substr(0, std::string(argv[i]).find('='));
    if (std::find(known.begin(), known.end(), typed) != known.end()) continue;
    const std::string nearest = NearestName(typed, known);
    if (nearest.empty()) continue;
    std::string message = "unknown option " + typed;
    return message.append("; did you mean ").append(nearest).append("?");
  }
  return "";
}

// Nothing when the program goes on, else the exit status.
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv,
                                           const std::string& program) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n";
    return kExitOk;
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();  // a subcommand's own, when one was named
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    const std::string misspelt = MisspeltOption(app, argc, argv);
    return FailUsage(program,
                     (misspelt.empty() ? std::string(e.what()) : misspelt) + " (see --help)");
  }
  return std::nullopt;
}

#endif  // APPS_COMMANDLINE_H_
