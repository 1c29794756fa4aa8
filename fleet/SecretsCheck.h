// Before a fleet run contacts any router: every secret its live devices will
// need is there. A misspelt variable name would otherwise send an empty
// password to every router of the inventory, and lock the account.
#ifndef FLEET_SECRETSCHECK_H_
#define FLEET_SECRETSCHECK_H_

#include <string>
#include <vector>

#include "fleet/Inventory.h"
#include "status/Status.h"
#include "transports/Secrets.h"

// Fails ("FILE:LINE: device NAME: ...", naming the variable, never a value) when a secrets file
// cannot be read or a variable a device needs is neither in the environment nor in its secrets
// file: the login password, and for SNMPv3 the two keys, always; the enable password and the
// community when the inventory names a variable for them; every per-context
// community.
Status CheckSecrets(const std::string& inventory, const std::vector<InventoryDevice>& devices);

// The variables `live` needs (as CheckSecrets counts them) that `secrets`
// lacks or holds empty, each with what it holds: "PE1_PASSWORD (the login
// password)". Names only, never a value.
std::vector<std::string> MissingSecrets(const LiveOptions& live, const Secrets& secrets);

#endif  // FLEET_SECRETSCHECK_H_
