#include "fleet/SecretsCheck.h"

#include <map>

#include "transports/Secrets.h"

namespace {

// What a device needs: (variable, what it holds).
std::vector<std::pair<std::string, std::string>> NeededBy(const LiveOptions& live) {
  const SecretNames& names = live.secretNames;
  const SecretNames defaults;
  std::vector<std::pair<std::string, std::string>> needed = {{names.password, "the login password"}};
  if (names.enablePassword != defaults.enablePassword) {
    needed.emplace_back(names.enablePassword, "the enable password");
  }
  if (names.community != defaults.community) needed.emplace_back(names.community, "the community");
  if (live.snmpVersion == "3") {
    needed.emplace_back(names.snmpAuthKey, "the SNMPv3 authentication key");
    needed.emplace_back(names.snmpPrivKey, "the SNMPv3 privacy key");
  }
  if (!live.ssh.identity.empty() && names.sshKeyPassphrase != defaults.sshKeyPassphrase) {
    needed.emplace_back(names.sshKeyPassphrase, "the passphrase of " + live.ssh.identity);
  }
  for (const std::string& entry : live.contextCommunities) {
    const size_t equals = entry.find('=');
    needed.emplace_back(entry.substr(equals + 1), "the community of " + entry.substr(0, equals));
  }
  return needed;
}

}  // namespace

bool CheckSecrets(const std::string& inventory, const std::vector<InventoryDevice>& devices,
                  std::string& problem) {
  std::map<std::string, Secrets> loaded;  // by secrets file; "" the environment alone
  for (const InventoryDevice& device : devices) {
    if (device.live.host.empty()) continue;
    const std::string where =
        inventory + ":" + std::to_string(device.line) + ": device " + device.name + ": ";
    const std::string& file = device.live.secretsFile;
    auto found = loaded.find(file);
    if (found == loaded.end()) {
      Secrets secrets;
      std::string unreadable;
      if (!secrets.Load(file, unreadable)) {
        problem = where + unreadable;
        return false;
      }
      found = loaded.emplace(file, std::move(secrets)).first;
    }
    for (const auto& [variable, holds] : NeededBy(device.live)) {
      if (found->second.Has(variable)) continue;
      problem = where + variable + " (" + holds + ") is set neither in the environment" +
                (file.empty() ? "" : " nor in " + file);
      return false;
    }
  }
  return true;
}
