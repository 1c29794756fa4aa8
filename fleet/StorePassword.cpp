#include "fleet/StorePassword.h"

#include <cstdlib>

#include "transports/Secrets.h"

Status TakeStorePassword(const std::string& secretsFile) {
  if (secretsFile.empty()) return Status();
  Secrets secrets;
  if (Status loaded = secrets.Load(secretsFile, {"PGPASSWORD"}); !loaded.ok()) return loaded;
  std::string password = secrets.Get("PGPASSWORD");
  // setenv copies it into memory of its own, which /proc/PID/environ (the
  // environment the process was started with) does not show.
  if (!password.empty()) setenv("PGPASSWORD", password.c_str(), 1);
  Wipe(password);
  return Status();
}

std::string DefaultSecretsFile(const std::vector<InventoryDevice>& devices) {
  for (const InventoryDevice& device : devices) {
    // NOSHAPE: whether the defaults give it, which only the entry's keys say
    const auto given = device.keys.find("secrets_file");
    if (given != device.keys.end() && given->second.inDefaults) return device.live.secretsFile;
  }
  return "";
}
