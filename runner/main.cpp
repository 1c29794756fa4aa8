// erx-discover: acts as the discovery host for one captured router and prints
// what the agent module found.
//
//   erx-discover                              the example device, text report
//   erx-discover --capture DIR --format json -o report.json
//
// The agent's traces (--debug) never share a stream with the report: with -o
// they go to standard output, without it to standard error.
//
// Exit status: 0 when discovery ran (the agent's own errors are in the
// report), 2 for bad usage, an unreadable device folder, a module that cannot
// be loaded or a report file that cannot be written.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Discovery.h"
#include "JsonReport.h"
#include "KelError.h"
#include "TextReport.h"
#include "TraceRouting.h"

namespace {

const int kBadUsage = 2;

int Fail(const std::string& what) {
  std::cerr << "erx-discover: " << what << "\n";
  return kBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Discovers one captured Unisphere ERX router with the MPLS agent module."};
  std::string captureDir = ERX_EXAMPLE_DEVICE;
  std::string format = "text";
  std::string outputPath;
  int debugLevel = 0;
  bool noLabels = false;
  DiscoveryOptions options;
  options.modulePath = ERX_DEFAULT_MODULE;

  app.add_option("--capture", captureDir,
                 "folder of a captured device: cli.log, snmp.walk, snmp/CONTEXT.walk")
      ->capture_default_str();
  app.add_option("--format", format, "report format")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  app.add_option("-o,--output", outputPath, "write the report to FILE instead of standard output")
      ->option_text("FILE");
  app.add_option("--debug", debugLevel,
                 "agent trace level (0-4); traces go to standard output when the report goes "
                 "to a file (-o), to standard error when it goes to standard output")
      ->check(CLI::NonNegativeNumber);
  app.add_flag("--no-labels", noLabels, "the host wants no label data");
  app.add_option("--vrf", options.wantedVrfs, "keep only this VRF (repeatable; default: all)")
      ->allow_extra_args(false)
      ->option_text("NAME");
  app.add_option("--module", options.modulePath, "agent module to load")->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    return Fail(std::string(e.what()) + " (see --help)");
  }
  options.gatherLabels = !noLabels;

  std::ofstream file;
  if (!outputPath.empty()) {
    file.open(outputPath);
    if (!file) return Fail("cannot write the report to " + outputPath);
  }
  ReplayTransport device;
  std::string problem;
  if (!device.Load(captureDir, problem)) return Fail(problem);
  for (const std::string& warning : device.Warnings()) std::cerr << warning << "\n";

  __Kelwick_Debug_Level = debugLevel;
  report::Report found;
  {
    TracesToStandardError traces(outputPath.empty());
    if (!DiscoverCapturedDevice(device, options, found, problem)) return Fail(problem);
  }

  std::ostream& out = outputPath.empty() ? std::cout : file;
  if (format == "json") {
    WriteJsonReport(found, out);
  } else {
    WriteTextReport(found, out);
  }
  out.flush();
  if (!out) return Fail("cannot write the report to " + (outputPath.empty() ? "standard output"
                                                                             : outputPath));
  return 0;
}
