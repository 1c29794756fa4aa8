#include "fleet/SecretsCheck.h"

#include <map>

#include "status/Result.h"
#include "transports/Secrets.h"

namespace {

struct Needed {
  std::string variable;
  std::string holds;  // what the variable holds, for the message
  std::string key;    // the inventory key that names the variable
};

// What a device needs.
std::vector<Needed> NeededBy(const LiveOptions& live) {
  const SecretNames& names = live.secretNames;
  const SecretNames defaults;
  std::vector<Needed> needed = {{names.password, "the login password", "password_env"}};
  if (names.enablePassword != defaults.enablePassword) {
    needed.push_back({names.enablePassword, "the enable password", "enable_password_env"});
  }
  if (names.community != defaults.community) {
    needed.push_back({names.community, "the community", "community_env"});
  }
  if (live.snmpVersion == "3") {
    needed.push_back({names.snmpAuthKey, "the SNMPv3 authentication key", "snmp_auth_key_env"});
    needed.push_back({names.snmpPrivKey, "the SNMPv3 privacy key", "snmp_priv_key_env"});
  }
  if (!live.ssh.identity.empty() && names.sshKeyPassphrase != defaults.sshKeyPassphrase) {
    needed.push_back({names.sshKeyPassphrase, "the passphrase of " + live.ssh.identity,
                      "ssh_key_passphrase_env"});
  }
  for (const std::string& entry : live.contextCommunities) {
    const size_t equals = entry.find('=');
    needed.push_back({entry.substr(equals + 1), "the community of " + entry.substr(0, equals),
                      "context_communities"});
  }
  return needed;
}

// "FILE:LINE: defaults: " when `key` was given in defaults:, else the device's place.
std::string PlaceOf(const std::string& inventory, const InventoryDevice& device,
                    const std::string& key) {
  const auto given = device.keys.find(key);
  if (given != device.keys.end() && given->second.inDefaults) {
    return inventory + ":" + std::to_string(given->second.line) + ": defaults: ";
  }
  const int line = given != device.keys.end() ? given->second.line : device.line;
  return inventory + ":" + std::to_string(line) + ": device " + device.name + ": ";
}

// The secrets `device` reads, each file loaded once into `loaded`; a failure
// when its file cannot be read.
Result<const Secrets*> SecretsOf(const std::string& inventory, const InventoryDevice& device,
                                 std::map<std::string, Secrets>& loaded) {
  const std::string& file = device.live.secretsFile;
  auto found = loaded.find(file);
  if (found == loaded.end()) {
    Secrets secrets;
    if (Status read = secrets.Load(file); !read.ok()) {
      return Status::Failure(PlaceOf(inventory, device, "secrets_file") + read.message());
    }
    found = loaded.emplace(file, std::move(secrets)).first;
  }
  return &found->second;
}

// Where a missing variable was looked for: the end of "VARIABLE (...) is ".
std::string HowMissing(bool set, const std::string& file) {
  if (set) return std::string("empty") + (file.empty() ? " in the environment" : "");
  if (file.empty()) return "not set in the environment, and no secrets_file is given";
  return "set neither in the environment nor in " + file;
}

// Fails at the first secret `device` needs that `secrets` lacks or holds empty.
Status HasAllNeeded(const std::string& inventory, const InventoryDevice& device,
                    const Secrets& secrets) {
  for (const Needed& needed : NeededBy(device.live)) {
    // An empty value is refused as a missing one: it would be sent as it is.
    const bool set = secrets.Has(needed.variable);
    if (set && !secrets.Get(needed.variable).empty()) continue;
    // The line to mend: the one naming the variable, else the one naming the file.
    const std::string key = device.keys.count(needed.key) ? needed.key : "secrets_file";
    return Status::Failure(PlaceOf(inventory, device, key) + needed.variable + " (" + needed.holds +
                           ") is " + HowMissing(set, device.live.secretsFile));
  }
  return Status();
}

}  // namespace

Status CheckSecrets(const std::string& inventory, const std::vector<InventoryDevice>& devices) {
  std::map<std::string, Secrets> loaded;  // by secrets file; "" the environment alone
  for (const InventoryDevice& device : devices) {
    if (device.live.host.empty()) continue;
    const Result<const Secrets*> secrets = SecretsOf(inventory, device, loaded);
    if (!secrets.ok()) return secrets.status();
    if (Status all = HasAllNeeded(inventory, device, *secrets.value()); !all.ok()) return all;
  }
  return Status();
}

std::vector<std::string> MissingSecrets(const LiveOptions& live, const Secrets& secrets) {
  std::vector<std::string> missing;
  for (const Needed& needed : NeededBy(live)) {
    if (secrets.Get(needed.variable).empty()) {
      missing.push_back(needed.variable + " (" + needed.holds + ")");
    }
  }
  return missing;
}
