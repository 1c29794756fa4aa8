#include "pollers/JobSettings.h"

#include <yaml-cpp/yaml.h>

#include <filesystem>

#include "discovery/LiveSettings.h"

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

// The setting of an inventory key that travels with a job: every one but the
// secrets file, which is the poller's own machine's.
const LiveSetting* Travelling(const std::string& key) {
  if (key == "secrets_file") return nullptr;  // NOSHAPE: it stays on this machine
  for (const LiveSetting& setting : LiveSettings()) {
    if (key == setting.key) return &setting;
  }
  return nullptr;
}

// The key and its value, as the inventory reader reads them back.
void EmitSetting(YAML::Emitter& out, const LiveSetting& setting, LiveOptions live) {
  out << YAML::Key << setting.key << YAML::Value;
  const SettingMember member = setting.member(live);
  if (auto* text = std::get_if<std::string*>(&member)) {
    out << (setting.kind == SettingKind::kPath ? Absolute(**text) : **text);
  } else if (auto* number = std::get_if<int*>(&member)) {
    out << **number;
  } else if (auto* seconds = std::get_if<double*>(&member)) {
    out << **seconds;
  } else if (auto* flag = std::get_if<bool*>(&member)) {
    if (setting.kind == SettingKind::kTransport) {
      out << setting.choices[**flag ? 1 : 0];
    } else {
      out << **flag;
    }
  } else if (auto* entries = std::get_if<std::vector<std::string>*>(&member)) {
    EmitPairs(out, **entries);
  }
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
    if (const LiveSetting* setting = Travelling(key)) EmitSetting(out, *setting, device.live);
  }
  out << YAML::EndMap << YAML::EndSeq << YAML::EndMap;
  return std::string(out.c_str()) + "\n";
}

Result<InventoryDevice> ReadJobSettings(const std::string& text, const std::string& name) {
  Result<std::vector<InventoryDevice>> read = LoadInventoryText(text, name);
  if (!read.ok()) return read.status();
  std::vector<InventoryDevice>& devices = read.value();
  if (devices.size() != 1) {
    return Status::Failure(name + ": the job's settings hold " + std::to_string(devices.size()) +
                           " devices");
  }
  return std::move(devices.front());
}
