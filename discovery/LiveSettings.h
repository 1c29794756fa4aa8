// Every live setting written down once: how the command line and an inventory
// spell it, where it goes in LiveOptions, what values it takes and its help.
// erx-discover makes its options from this table, the inventory reader its
// keys, and --inventory refuses every option a device's entry says instead.
//
//   for (const LiveSetting& setting : LiveSettings()) {
//     if (*setting.key) keys.push_back(setting.key);
//   }
#ifndef DISCOVERY_LIVESETTINGS_H_
#define DISCOVERY_LIVESETTINGS_H_

#include <string>
#include <variant>
#include <vector>

#include "discovery/LiveOptions.h"

// What a setting's value is, and so how each side reads it.
enum class SettingKind {
  kText,                // any text
  kPath,                // a file; in an inventory relative to its folder, ~/ the home folder
  kVariable,            // the name of a variable of the environment or the secrets file
  kNumber,              // a whole number from low to high
  kSeconds,             // a number of seconds from low to high
  kChoice,              // one of choices
  kFlag,                // a flag on the command line; true or false in an inventory
  kTransport,           // --ssh on the command line; telnet or ssh in an inventory
  kContextCommunities,  // CONTEXT=NAME, repeatable; a mapping in an inventory
  kSshOptions,          // NAME=VALUE, repeatable; a mapping in an inventory
};

using SettingMember = std::variant<std::string*, int*, double*, bool*, std::vector<std::string>*>;

struct LiveSetting {
  const char* flag = "";  // "--telnet-port"; "" when only an inventory gives it
  const char* key = "";   // "telnet_port"; "" when only the command line gives it
  SettingKind kind = SettingKind::kText;
  SettingMember (*member)(LiveOptions&) = nullptr;
  double low = 0, high = 0;          // kNumber, kSeconds
  std::vector<std::string> choices;  // kChoice, kTransport (false, then true)
  const char* help = "";
  const char* valueName = "";  // shown in --help for the value ("FILE"); "" the type's
  const char* group = "";      // the --help group
  // Taken with --inventory too, for every device of the run; any other
  // option of the table is refused there, the inventory saying it per device.
  bool wholeFleet = false;
};

// In the order --help shows them.
const std::vector<LiveSetting>& LiveSettings();

#endif  // DISCOVERY_LIVESETTINGS_H_
