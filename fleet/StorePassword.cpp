#include "fleet/StorePassword.h"

#include <cstdlib>

#include "transports/Secrets.h"

bool TakeStorePassword(const std::string& secretsFile, std::string& problem) {
  if (secretsFile.empty()) return true;
  Secrets secrets;
  if (!secrets.Load(secretsFile, problem, {"PGPASSWORD"})) return false;
  std::string password = secrets.Get("PGPASSWORD");
  // setenv copies it into memory of its own, which /proc/PID/environ (the
  // environment the process was started with) does not show.
  if (!password.empty()) setenv("PGPASSWORD", password.c_str(), 1);
  Wipe(password);
  return true;
}

std::string DefaultSecretsFile(const std::vector<InventoryDevice>& devices) {
  for (const InventoryDevice& device : devices) {
    const auto given = device.keys.find("secrets_file");
    if (given != device.keys.end() && given->second.inDefaults) return device.live.secretsFile;
  }
  return "";
}
