// A fleet inventory: the devices erx-discover --inventory discovers, read
// from YAML in the style of network automation tools.
//
//   defaults:                      # any device key but name/host/capture
//     region: eu-west              # where a poller that reaches it runs
//     user: admin
//     snmp_version: 2c
//     timeout: 20
//     secrets_file: ~/.erx-secrets
//   devices:
//     - name: pe1
//       host: 10.0.0.1
//       password_env: PE1_PASSWORD   # the NAME of a variable, never a secret
//     - name: lab-pe2
//       capture: captures/lab-pe2    # relative to the inventory's folder
//
// Every device is checked before any is contacted; the first fault found is
// reported with the file, the line and what is wrong.
#ifndef FLEET_INVENTORY_H_
#define FLEET_INVENTORY_H_

#include <map>
#include <string>
#include <vector>

#include "discovery/LiveOptions.h"
#include "status/Result.h"

struct InventoryDevice {
  std::string name;  // unique in the inventory, usable as a file name
  std::string
      capture;         // a captured device's folder (absolute or relative to the working directory)
  LiveOptions live;    // a live router: live.host is set, live.quiet is true
  std::string region;  // empty when neither the device nor defaults: give one
  int line = 0;        // where the device begins in the file
  // Where each key that applies to the device was given: the device's own
  // line of it, or the line in defaults:.
  struct KeyPlace {
    int line = 0;
    bool inDefaults = false;
  };
  std::map<std::string, KeyPlace> keys;
};

// The devices of the inventory at `path`; a failure ("FILE:LINE: what is
// wrong") when it cannot be read or any device in it is wrong.
Result<std::vector<InventoryDevice>> LoadInventory(const std::string& path);

// The same from `text`, named `name` in messages; relative paths in it are
// taken from the working directory.
Result<std::vector<InventoryDevice>> LoadInventoryText(const std::string& text,
                                                       const std::string& name);

#endif  // FLEET_INVENTORY_H_
