// What erx-discover does without a subcommand: discovers one device, captured
// or live, and writes its report; or, with --inventory, a whole fleet. Its
// options are the program's own, shown by --help in groups (Device, Live,
// SSH, SNMP, Fleet, Store, Output).
#ifndef APPS_ERX_DISCOVER_DEVICECOMMAND_H_
#define APPS_ERX_DISCOVER_DEVICECOMMAND_H_

#include <string>

#include <CLI/CLI.hpp>

#include "apps/ExitCodes.h"
#include "discovery/LiveOptions.h"
#include "discovery/SingleDevice.h"
#include "fleet/FleetRun.h"

class DeviceCommand {
 public:
  // Adds the options to `app`, the program itself.
  explicit DeviceCommand(CLI::App& app);

  ExitCode Run();

 private:
  ExitCode RunFleet();
  ExitCode RunOneDevice();

  std::string captureDir_;
  std::string format_ = "text";
  std::string outputPath_;
  int debugLevel_ = 0;
  bool noLabels_ = false;
  DiscoveryOptions options_;
  LiveOptions live_;
  FleetOptions fleet_;
};

#endif  // APPS_ERX_DISCOVER_DEVICECOMMAND_H_
