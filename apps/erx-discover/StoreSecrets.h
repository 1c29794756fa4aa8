// --secrets-file of a subcommand that reads or writes a store: a private
// NAME=VALUE file whose PGPASSWORD line is a PostgreSQL store's password
// (fleet/StorePassword.h). Call TakeStorePassword before the store is opened.
#ifndef APPS_ERX_DISCOVER_STORESECRETS_H_
#define APPS_ERX_DISCOVER_STORESECRETS_H_

#include <string>

#include <CLI/CLI.hpp>

#include "fleet/StorePassword.h"

inline void DefineStoreSecrets(CLI::App& command, std::string& secretsFile) {
  // NOSHAPE: the store's password file, not a device's
  command
      .add_option("--secrets-file", secretsFile,
                  "private NAME=VALUE file; its PGPASSWORD is the PostgreSQL store's password")
      ->option_text("FILE");
}

#endif  // APPS_ERX_DISCOVER_STORESECRETS_H_
