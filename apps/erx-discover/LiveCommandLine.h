// erx-discover's live options, made from the table of live settings
// (discovery/LiveSettings.h): a flag of the table becomes an option with its
// range or choices, its default shown, in its --help group.
#ifndef APPS_ERX_DISCOVER_LIVECOMMANDLINE_H_
#define APPS_ERX_DISCOVER_LIVECOMMANDLINE_H_

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "discovery/LiveOptions.h"

// --host (which excludes `captureOption`) and every flag of the table.
void AddLiveOptions(CLI::App& app, LiveOptions& options, CLI::Option* captureOption);

// The table's flags that --inventory refuses: each device's entry says them.
std::vector<std::string> LiveOptionsOfEachDevice();

// Puts each of the table's options into its --help group.
void GroupLiveOptions(CLI::App& app);

#endif  // APPS_ERX_DISCOVER_LIVECOMMANDLINE_H_
