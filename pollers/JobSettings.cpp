#include "pollers/JobSettings.h"

#include <yaml-cpp/yaml.h>

#include <filesystem>

namespace {

std::string Absolute(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

// NAME=VALUE entries as a mapping.
void EmitPairs(YAML::Emitter& out, const std::vector<std::string>& entries) {
  out << YAML::BeginMap;
  for (const std::string& entry : entries) {
    const size_t equals = entry.find('=');
    out << YAML::Key << entry.substr(0, equals) << YAML::Value << entry.substr(equals + 1);
  }
  out << YAML::EndMap;
}

const char* const kTravelling[] = {
    "user", "snmp_user", "telnet_port", "snmp_port", "timeout", "cli_sessions", "snmp_version",
    "snmp_auth", "snmp_priv", "paging", "password_env", "enable_password_env", "community_env",
    "snmp_auth_key_env", "snmp_priv_key_env", "ssh_key_passphrase_env", "context_communities",
    "transport", "ssh_port", "ssh_identity", "known_hosts", "accept_new_host_key", "ssh_options"};

bool Travels(const std::string& key) {
  for (const char* travelling : kTravelling) {
    if (key == travelling) return true;
  }
  return false;
}

// The key and its value (Inventory.cpp's ReadSetting reads them back).
void EmitSetting(YAML::Emitter& out, const std::string& key, const LiveOptions& live) {
  const SecretNames& secrets = live.secretNames;
  out << YAML::Key << key << YAML::Value;
  if (key == "user") out << live.user;
  else if (key == "snmp_user") out << live.snmpUser;
  else if (key == "telnet_port") out << live.telnetPort;
  else if (key == "snmp_port") out << live.snmpPort;
  else if (key == "timeout") out << live.timeoutSeconds;
  else if (key == "cli_sessions") out << live.cliSessions;
  else if (key == "snmp_version") out << live.snmpVersion;
  else if (key == "snmp_auth") out << live.snmpAuth;
  else if (key == "snmp_priv") out << live.snmpPriv;
  else if (key == "paging") out << live.paging;
  else if (key == "password_env") out << secrets.password;
  else if (key == "enable_password_env") out << secrets.enablePassword;
  else if (key == "community_env") out << secrets.community;
  else if (key == "snmp_auth_key_env") out << secrets.snmpAuthKey;
  else if (key == "snmp_priv_key_env") out << secrets.snmpPrivKey;
  else if (key == "ssh_key_passphrase_env") out << secrets.sshKeyPassphrase;
  else if (key == "context_communities") EmitPairs(out, live.contextCommunities);
  else if (key == "transport") out << (live.ssh.enabled ? "ssh" : "telnet");
  else if (key == "ssh_port") out << live.ssh.port;
  else if (key == "ssh_identity") out << Absolute(live.ssh.identity);
  else if (key == "known_hosts") out << Absolute(live.ssh.knownHosts);
  else if (key == "accept_new_host_key") out << live.ssh.acceptNewHostKey;
  else if (key == "ssh_options") EmitPairs(out, live.ssh.algorithms);
  else out << YAML::Null;
}

}  // namespace

std::string JobSettings(const InventoryDevice& device) {
  YAML::Emitter out;
  out << YAML::BeginMap << YAML::Key << "devices" << YAML::Value << YAML::BeginSeq;
  out << YAML::BeginMap << YAML::Key << "name" << YAML::Value << device.name;
  if (device.live.host.empty()) {
    out << YAML::Key << "capture" << YAML::Value << Absolute(device.capture);
  } else {
    out << YAML::Key << "host" << YAML::Value << device.live.host;
  }
  if (!device.region.empty()) out << YAML::Key << "region" << YAML::Value << device.region;
  for (const auto& given : device.keys) {
    const std::string& key = given.first;
    if (key == "name" || key == "host" || key == "capture" || key == "region") continue;
    if (Travels(key)) EmitSetting(out, key, device.live);
  }
  out << YAML::EndMap << YAML::EndSeq << YAML::EndMap;
  return std::string(out.c_str()) + "\n";
}

bool ReadJobSettings(const std::string& text, const std::string& name, InventoryDevice& device,
                     std::string& problem) {
  std::vector<InventoryDevice> devices;
  if (!LoadInventoryText(text, name, devices, problem)) return false;
  if (devices.size() != 1) {
    problem = name + ": the job's settings hold " + std::to_string(devices.size()) + " devices";
    return false;
  }
  device = std::move(devices.front());
  return true;
}
