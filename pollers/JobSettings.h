// A device of an inventory as a job carries it: the inventory keys that were
// given for it (in the device or in defaults:) as a one-device inventory, so
// that the poller reads it with the inventory's own checks. Only names of
// variables travel, never a secret; secrets_file does not travel either, as
// a poller takes its secrets from its own machine. Paths are made absolute.
//
//   std::string text = JobSettings(device);                      // queue
//   Result<InventoryDevice> same = ReadJobSettings(text, "job 12");  // poller
#ifndef POLLERS_JOBSETTINGS_H_
#define POLLERS_JOBSETTINGS_H_

#include <string>

#include "fleet/Inventory.h"
#include "status/Result.h"

std::string JobSettings(const InventoryDevice& device);

// A failure when `text` is not one device's settings.
Result<InventoryDevice> ReadJobSettings(const std::string& text, const std::string& name);

#endif  // POLLERS_JOBSETTINGS_H_
