// The password of a PostgreSQL store, from a secrets file like every other
// secret: a PGPASSWORD=... line of the command's --secrets-file, or for a
// fleet run of the secrets_file in the inventory's defaults:. It is handed to
// libpq as its own PGPASSWORD, in this process's environment only (never a
// command line, never the connection string); without such a line libpq's
// own ways stay as they are (PGPASSWORD set by the caller, ~/.pgpass,
// PGPASSFILE).
//
//   if (Status taken = TakeStorePassword(secretsFile); !taken.ok()) return Fail(taken.message());
//   store::OpenStore(where, store::Access::kRead).Into(results);
#ifndef FLEET_STOREPASSWORD_H_
#define FLEET_STOREPASSWORD_H_

#include <string>
#include <vector>

#include "fleet/Inventory.h"
#include "status/Status.h"

// Fails when the file cannot be read or others may read it. An empty
// `secretsFile` changes nothing.
Status TakeStorePassword(const std::string& secretsFile);

// The secrets file of the inventory's defaults:, or "" when it gives none.
std::string DefaultSecretsFile(const std::vector<InventoryDevice>& devices);

#endif  // FLEET_STOREPASSWORD_H_
