#include "fleet/Inventory.h"

#include <yaml-cpp/yaml.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "discovery/LiveSettings.h"
#include "report/NearestName.h"
#include "transports/SshAlgorithms.h"

namespace fs = std::filesystem;

namespace {

const size_t kMaxNameLength = 64;
const char kVariableRule[] =
    "give the name of a variable of the environment or the secrets file ([A-Za-z_][A-Za-z0-9_]*); "
    "an inventory never holds the secret itself";

// The keys that defaults and devices share: those of the live settings.
std::vector<std::string> SettingKeys() {
  std::vector<std::string> keys;
  for (const LiveSetting& setting : LiveSettings()) {
    if (*setting.key) keys.push_back(setting.key);
  }
  return keys;
}

std::vector<std::string> DefaultKeys() {
  std::vector<std::string> keys = {"region"};
  for (const std::string& key : SettingKeys()) keys.push_back(key);
  return keys;
}

std::vector<std::string> DeviceKeys() {
  std::vector<std::string> keys = {"name", "host", "capture", "region"};
  for (const std::string& key : SettingKeys()) keys.push_back(key);
  return keys;
}

int LineOf(const YAML::Node& node) { return node.Mark().is_null() ? 1 : node.Mark().line + 1; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

bool IsVariableName(const std::string& text) {
  if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

bool IsDeviceName(const std::string& text) {
  if (text.empty() || text.size() > kMaxNameLength ||
      !std::isalnum(static_cast<unsigned char>(text[0])))
    return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
      return false;
  }
  return true;
}

// The *_env key to suggest when `key` looks like it carries a secret itself;
// null when it does not.
const char* SecretKeyInstead(const std::string& key) {
  const std::string lower = Lower(key);
  if (Contains(lower, "_env")) return nullptr;
  const bool enable = Contains(lower, "enable");
  if (Contains(lower, "pass")) return enable ? "enable_password_env" : "password_env";
  if (Contains(lower, "communit")) return "community_env";
  if (Contains(lower, "auth") && Contains(lower, "key")) return "snmp_auth_key_env";
  if (Contains(lower, "priv") && Contains(lower, "key")) return "snmp_priv_key_env";
  if (Contains(lower, "secret") || Contains(lower, "key") || Contains(lower, "token"))
    return enable ? "enable_password_env" : "password_env, community_env, snmp_auth_key_env";
  return nullptr;
}

class InventoryReader {
 public:
  explicit InventoryReader(const std::string& path)
      : path_(path), folder_(fs::path(path).parent_path()) {}

  // `text` instead of the file's: `path` only names it in messages.
  Result<std::vector<InventoryDevice>> Read(const std::string* text = nullptr) {
    try {
      std::vector<InventoryDevice> devices;
      if (!(text ? ReadText(*text, devices) : ReadFile(devices))) {
        return Status::Failure(problem_);
      }
      return devices;
    } catch (const YAML::Exception& e) {
      // Syntax errors, and whatever else yaml-cpp finds wrong in the text.
      return Status::Failure(path_ + ":" + std::to_string(e.mark.is_null() ? 1 : e.mark.line + 1) +
                             ": " + e.msg);
    }
  }

 private:
  bool ReadFile(std::vector<InventoryDevice>& devices) {
    std::error_code error;
    if (fs::is_directory(path_, error)) return FailFile("is a folder, not an inventory file");
    std::ifstream in(path_);
    if (!in) return FailFile(std::string("cannot be read: ") + std::strerror(errno));
    std::stringstream text;
    text << in.rdbuf();
    return ReadText(text.str(), devices);
  }

  bool ReadText(const std::string& text, std::vector<InventoryDevice>& devices) {
    const std::vector<YAML::Node> documents = YAML::LoadAll(text);
    if (documents.empty()) return FailAt(1, "the inventory is empty; it needs a devices: list");
    if (documents.size() > 1)
      return Fail(documents[1], "a second YAML document; an inventory is one");
    return ReadTop(documents[0], devices);
  }

  bool ReadTop(const YAML::Node& top, std::vector<InventoryDevice>& devices) {
    if (!top.IsMap()) return Fail(top, "an inventory is a mapping with defaults: and devices:");
    scope_.clear();
    // A default-made YAML::Node counts as defined: optional says what was given.
    std::optional<YAML::Node> defaults, list, devicesKey;
    std::map<std::string, int> seen;
    for (const auto& entry : top) {
      const std::string key = entry.first.Scalar();
      if (!FirstTime(entry.first, seen)) return false;
      if (key == "defaults") {
        defaults = entry.second;
      } else if (key == "devices") {
        list = entry.second;
        devicesKey = entry.first;
      } else if (!RefuseKey(entry.first,
                            "an inventory has defaults: and devices:", {"defaults", "devices"})) {
        return false;
      }
    }
    LiveOptions common;
    common.quiet = true;
    if (defaults && !ReadDefaults(*defaults, common)) return false;
    scope_.clear();
    if (!devicesKey) return Fail(top, "no devices: list");
    if (!list->IsSequence() || list->size() == 0)
      return Fail(*devicesKey, "devices: give a list of at least one device");
    std::vector<InventoryDevice> read;
    for (const YAML::Node& item : *list) {
      InventoryDevice device;
      device.live = common;
      if (!ReadDevice(item, read.size() + 1, device)) return false;
      read.push_back(std::move(device));
    }
    devices = std::move(read);
    return true;
  }

  bool ReadDefaults(const YAML::Node& defaults, LiveOptions& live) {
    scope_ = "defaults: ";
    if (defaults.IsNull()) return true;
    if (!defaults.IsMap()) return Fail(defaults, "give a mapping of keys");
    std::map<std::string, int> seen;
    for (const auto& entry : defaults) {
      const std::string key = entry.first.Scalar();
      if (!FirstTime(entry.first, seen)) return false;
      if (key == "name" || key == "host" || key == "capture")
        return Fail(entry.first, key + " belongs to each device, not to the defaults");
      bool known = false;
      if (key == "region") {
        if (!ReadRegion(entry.first, entry.second, defaultRegion_)) return false;
        known = true;
      } else if (!ReadSetting(entry.first, entry.second, live, known)) {
        return false;
      }
      if (!known && !RefuseKey(entry.first, "", DefaultKeys())) return false;
      defaultKeys_[key] = {LineOf(entry.first), true};
    }
    return true;
  }

  bool ReadDevice(const YAML::Node& item, size_t position, InventoryDevice& device) {
    scope_ = "device " + std::to_string(position) + ": ";
    device.line = LineOf(item);
    device.keys = defaultKeys_;
    device.region = defaultRegion_;
    if (!item.IsMap()) return Fail(item, "give a mapping of keys (name, host or capture, ...)");
    const YAML::Node name = item["name"];
    if (name && name.IsScalar() && IsDeviceName(name.Scalar()))
      scope_ = "device " + name.Scalar() + ": ";
    std::optional<YAML::Node> place;  // the key of host or capture
    if (!ReadDeviceKeys(item, device, place)) return false;
    if (device.name.empty()) return Fail(item, "no name");
    if (!place)
      return Fail(item, "give host (a live router) or capture (a captured device's folder)");
    return true;
  }

  bool ReadDeviceKeys(const YAML::Node& item, InventoryDevice& device,
                      std::optional<YAML::Node>& place) {
    std::map<std::string, int> seen;
    for (const auto& entry : item) {
      const std::string key = entry.first.Scalar();
      if (!FirstTime(entry.first, seen)) return false;
      if (key == "host" || key == "capture") {
        if (place) return Fail(entry.first, "give host or capture, not both");
        place = entry.first;
      }
      bool known = true;
      if (!ReadDeviceKey(entry.first, entry.second, device, known)) return false;
      if (!known && !RefuseKey(entry.first, "", DeviceKeys())) return false;
      device.keys[key] = {LineOf(entry.first), false};
    }
    return true;
  }

  // A device's own keys, then those it shares with defaults; `known` false for any other.
  bool ReadDeviceKey(const YAML::Node& key, const YAML::Node& value, InventoryDevice& device,
                     bool& known) {
    const std::string& name = key.Scalar();
    known = true;
    if (name == "name") return ReadName(key, value, device);
    if (name == "host") return ReadHost(key, value, device.live.host);
    if (name == "capture") return ReadCapture(key, value, device.capture);
    if (name == "region") return ReadRegion(key, value, device.region);
    return ReadSetting(key, value, device.live, known);
  }

  // The keys of the live settings; `known` false for any other.
  bool ReadSetting(const YAML::Node& key, const YAML::Node& value, LiveOptions& live, bool& known) {
    const std::string& name = key.Scalar();
    for (const LiveSetting& setting : LiveSettings()) {
      if (name != setting.key) continue;
      known = true;
      return ReadSettingValue(setting, key, value, setting.member(live));
    }
    known = false;
    return true;
  }

  bool ReadSettingValue(const LiveSetting& setting, const YAML::Node& key, const YAML::Node& value,
                        const SettingMember& member) {
    switch (setting.kind) {
      case SettingKind::kText:
        return ReadText(key, value, *std::get<std::string*>(member));
      case SettingKind::kPath:
        return ReadPath(key, value, *std::get<std::string*>(member));
      case SettingKind::kVariable:
        return ReadVariable(key, value, *std::get<std::string*>(member));
      case SettingKind::kNumber:
        return ReadNumber(key, value, static_cast<int>(setting.low), static_cast<int>(setting.high),
                          *std::get<int*>(member));
      case SettingKind::kChoice:
        return ReadChoice(key, value, setting.choices, *std::get<std::string*>(member));
      case SettingKind::kFlag:
        return ReadFlag(key, value, *std::get<bool*>(member));
      case SettingKind::kTransport:
        return ReadTransport(key, value, setting.choices, *std::get<bool*>(member));
      case SettingKind::kContextCommunities:
        return ReadContexts(key, value, *std::get<std::vector<std::string>*>(member));
      case SettingKind::kSshOptions:
        return ReadSshOptions(key, value, *std::get<std::vector<std::string>*>(member));
      case SettingKind::kSeconds:
        break;
    }
    // Whole seconds are enough in an inventory.
    int seconds = 0;
    if (!ReadNumber(key, value, static_cast<int>(setting.low), static_cast<int>(setting.high),
                    seconds)) {
      return false;
    }
    *std::get<double*>(member) = seconds;
    return true;
  }

  bool ReadName(const YAML::Node& key, const YAML::Node& value, InventoryDevice& device) {
    std::string name;
    if (!ReadText(key, value, name)) return false;
    if (!IsDeviceName(name))
      return Fail(key, "name: '" + name +
                           "' is not a usable name: letters, digits, '.', '_' and '-', "
                           "beginning with a letter or digit, at most " +
                           std::to_string(kMaxNameLength) + " characters");
    // Names become file names, and some file systems ignore case.
    const auto first = names_.emplace(Lower(name), std::make_pair(name, LineOf(key)));
    if (!first.second) {
      const auto& [other, line] = first.first->second;
      return Fail(key, "name: " + name + " is already the name of the device at line " +
                           std::to_string(line) + (other == name ? "" : " (as " + other + ")"));
    }
    device.name = name;
    return true;
  }

  // A region names the pollers that serve it (and their service instances):
  // the same rule as a device name.
  bool ReadRegion(const YAML::Node& key, const YAML::Node& value, std::string& region) {
    if (!ReadText(key, value, region)) return false;
    if (!IsDeviceName(region))
      return Fail(key, "region: '" + region +
                           "' is not a usable region: letters, digits, '.', '_' "
                           "and '-', beginning with a letter or digit, at most " +
                           std::to_string(kMaxNameLength) + " characters");
    return true;
  }

  bool ReadHost(const YAML::Node& key, const YAML::Node& value, std::string& host) {
    if (!ReadText(key, value, host)) return false;
    bool printable = true;
    for (char c : host) printable = printable && std::isgraph(static_cast<unsigned char>(c));
    // A leading '-' would read as an option wherever the host is passed on.
    if (host.empty() || host[0] == '-' || !printable)
      return Fail(key, "host: not a host name or address");
    return true;
  }

  bool ReadCapture(const YAML::Node& key, const YAML::Node& value, std::string& capture) {
    if (!ReadPath(key, value, capture)) return false;
    std::error_code error;
    if (!fs::is_directory(capture, error)) return Fail(key, "capture: no folder " + capture);
    if (!fs::is_regular_file(fs::path(capture) / "cli.log", error))
      return Fail(key, "capture: " + capture + " holds no cli.log");
    return true;
  }

  bool ReadText(const YAML::Node& key, const YAML::Node& value, std::string& text) {
    if (value.IsNull()) return Fail(key, key.Scalar() + ": needs a value");
    if (!value.IsScalar())
      return Fail(key, key.Scalar() + ": give a single value, not a list or mapping");
    text = value.Scalar();
    return true;
  }

  bool ReadNumber(const YAML::Node& key, const YAML::Node& value, int low, int high, int& number) {
    std::string text;
    if (!ReadText(key, value, text)) return false;
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const long read = digits ? std::stol(text) : -1;
    if (read < low || read > high)
      return Fail(key, key.Scalar() + ": give a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high));
    number = static_cast<int>(read);
    return true;
  }

  bool ReadChoice(const YAML::Node& key, const YAML::Node& value,
                  const std::vector<std::string>& choices, std::string& choice) {
    std::string text;
    if (!ReadText(key, value, text)) return false;
    for (const std::string& allowed : choices) {
      if (text == allowed) {
        choice = text;
        return true;
      }
    }
    return Fail(key, key.Scalar() + ": give " + choices[0] + " or " + choices[1]);
  }

  bool ReadFlag(const YAML::Node& key, const YAML::Node& value, bool& flag) {
    std::string text;
    if (!ReadText(key, value, text)) return false;
    if (!YAML::convert<bool>::decode(value, flag))
      return Fail(key, key.Scalar() + ": give true or false");
    return true;
  }

  // `~/` is the home folder; a relative path is taken from the inventory's folder.
  bool ReadPath(const YAML::Node& key, const YAML::Node& value, std::string& path) {
    std::string text;
    if (!ReadText(key, value, text)) return false;
    if (text.empty()) return Fail(key, key.Scalar() + ": needs a value");
    fs::path resolved = text;
    if (text == "~" || text.compare(0, 2, "~/") == 0) {
      const char* home = std::getenv("HOME");
      if (!home || !*home) return Fail(key, key.Scalar() + ": ~/ needs HOME set");
      resolved = fs::path(home) / text.substr(text.size() > 1 ? 2 : 1);
    } else if (text[0] == '~') {
      return Fail(key, key.Scalar() + ": only ~/ (the home folder) is understood");
    } else if (resolved.is_relative()) {
      resolved = folder_ / resolved;
    }
    path = resolved.lexically_normal().string();
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return true;
  }

  // Values are never shown in what is wrong: a secret may have been written
  // under the wrong key (snmp_auth for snmp_auth_key_env).
  // The value is never shown: someone may have written the secret itself.
  bool ReadVariable(const YAML::Node& key, const YAML::Node& value, std::string& variable) {
    if (!ReadText(key, value, variable)) return false;
    if (!IsVariableName(variable)) return Fail(key, key.Scalar() + ": " + kVariableRule);
    return true;
  }

  bool ReadContexts(const YAML::Node& key, const YAML::Node& value,
                    std::vector<std::string>& contexts) {
    if (!value.IsMap())
      return Fail(key,
                  "context_communities: give a mapping of CONTEXT: NAME of the variable holding "
                  "its community");
    std::vector<std::string> read;
    std::map<std::string, int> seen;
    for (const auto& entry : value) {
      if (!FirstTime(entry.first, seen)) return false;
      const std::string context = entry.first.Scalar();
      if (context.empty() || Contains(context, "=") || Contains(context, " "))
        return Fail(entry.first, "context_communities: '" + context + "' is not a context name");
      const YAML::Node& variable = entry.second;
      if (!variable.IsScalar() || !IsVariableName(variable.Scalar()))
        return Fail(entry.first, "context_communities: " + context + ": " + kVariableRule);
      read.push_back(context + "=" + variable.Scalar());
    }
    contexts = std::move(read);
    return true;
  }

  // `choices` names false, then true.
  bool ReadTransport(const YAML::Node& key, const YAML::Node& value,
                     const std::vector<std::string>& choices, bool& on) {
    std::string choice;
    if (!ReadChoice(key, value, choices, choice)) return false;
    on = choice == choices[1];
    return true;
  }

  // A mapping of OpenSSH option names to values: {KexAlgorithms: "+diffie-hellman-group14-sha1"}.
  bool ReadSshOptions(const YAML::Node& key, const YAML::Node& value,
                      std::vector<std::string>& options) {
    if (!value.IsMap()) return Fail(key, "ssh_options: give a mapping of NAME: VALUE");
    std::vector<std::string> read;
    std::map<std::string, int> seen;
    SshAlgorithms check;
    for (const auto& entry : value) {
      if (!FirstTime(entry.first, seen)) return false;
      if (!entry.second.IsScalar()) {
        return Fail(entry.first, "ssh_options: " + entry.first.Scalar() + ": give a list");
      }
      if (Status added = check.Add(entry.first.Scalar(), entry.second.Scalar()); !added.ok()) {
        return Fail(entry.first, "ssh_options: " + added.message());
      }
      read.push_back(entry.first.Scalar() + "=" + entry.second.Scalar());
    }
    options = std::move(read);
    return true;
  }

  // A key given twice in one mapping: YAML readers differ on which one wins.
  bool FirstTime(const YAML::Node& key, std::map<std::string, int>& seen) {
    if (!key.IsScalar()) return Fail(key, "a key must be a plain word");
    const auto first = seen.emplace(key.Scalar(), LineOf(key));
    if (first.second) return true;
    return Fail(key, key.Scalar() + ": given twice (first at line " +
                         std::to_string(first.first->second) + ")");
  }

  // Fails for a key nobody knows; `hint` says what is allowed there, and the
  // nearest of the `known` keys is suggested.
  bool RefuseKey(const YAML::Node& key, const std::string& hint,
                 const std::vector<std::string>& known) {
    const std::string& name = key.Scalar();
    // Only a word is shown: a key of another shape may be text pasted from elsewhere, a secret
    // even.
    const bool word = name.size() <= 40 &&
                      name.find_first_not_of(
                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.") ==
                          std::string::npos;
    if (const char* instead = SecretKeyInstead(name))
      return Fail(key, (word ? name + ": a" : std::string("a")) +
                           "n inventory names the variable that holds a secret (" + instead +
                           "), never the secret");
    const std::string nearest = word ? NearestName(name, known) : "";
    return Fail(key, (word ? "unknown key " + name : std::string("not a key of an inventory")) +
                         (nearest.empty() ? "" : "; did you mean " + nearest + "?") +
                         (hint.empty() ? "" : " (" + hint + ")"));
  }

  bool Fail(const YAML::Node& at, const std::string& what) { return FailAt(LineOf(at), what); }

  bool FailAt(int line, const std::string& what) {
    problem_ = path_ + ":" + std::to_string(line) + ": " + scope_ + what;
    return false;
  }

  bool FailFile(const std::string& what) {
    problem_ = path_ + ": " + what;
    return false;
  }

  const std::string path_;
  const fs::path folder_;
  std::string scope_;  // "defaults: " or "device NAME: " before what is wrong
  std::string problem_;
  std::map<std::string, std::pair<std::string, int>> names_;  // lower-case name: name, line
  std::map<std::string, InventoryDevice::KeyPlace> defaultKeys_;
  std::string defaultRegion_;
};

}  // namespace

Result<std::vector<InventoryDevice>> LoadInventoryText(const std::string& text,
                                                       const std::string& name) {
  return InventoryReader(name).Read(&text);
}

Result<std::vector<InventoryDevice>> LoadInventory(const std::string& path) {
  return InventoryReader(path).Read();
}
