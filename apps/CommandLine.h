// Command-line parsing shared by erx-discover and erx-simulator: --help
// prints the help and ends with 0, a bad command line ends with 2 and one
// line on standard error that names the program.
//
//   if (std::optional<int> status = ParseCommandLine(app, argc, argv, "erx-discover")) return *status;
#ifndef APPS_COMMANDLINE_H_
#define APPS_COMMANDLINE_H_

#include <iostream>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

const int kBadUsage = 2;

inline int FailUsage(const std::string& program, const std::string& what) {
  std::cerr << program << ": " << what << "\n";
  return kBadUsage;
}

// Nothing when the program goes on, else the exit status.
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv,
                                           const std::string& program) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    return FailUsage(program, std::string(e.what()) + " (see --help)");
  }
  return std::nullopt;
}

#endif  // APPS_COMMANDLINE_H_
