#include "transports/SshAlgorithms.h"

#include <algorithm>
#include <regex>
#include <sstream>
#include <vector>

namespace {

// libssh 0.10's defaults, which its own options cannot add to or take from.
const std::map<std::string, std::string> kDefaults = {
    {"KexAlgorithms",
     "curve25519-sha256,curve25519-sha256@libssh.org,ecdh-sha2-nistp256,ecdh-sha2-nistp384,"
     "ecdh-sha2-nistp521,diffie-hellman-group18-sha512,diffie-hellman-group16-sha512,"
     "diffie-hellman-group-exchange-sha256,diffie-hellman-group14-sha256"},
    {"HostKeyAlgorithms",
     "ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,ecdsa-sha2-nistp256,"
     "sk-ssh-ed25519@openssh.com,sk-ecdsa-sha2-nistp256@openssh.com,rsa-sha2-512,rsa-sha2-256"},
    {"Ciphers",
     "chacha20-poly1305@openssh.com,aes256-gcm@openssh.com,aes128-gcm@openssh.com,aes256-ctr,"
     "aes192-ctr,aes128-ctr"},
    {"MACs",
     "hmac-sha2-256-etm@openssh.com,hmac-sha2-512-etm@openssh.com,hmac-sha2-256,hmac-sha2-512"},
};

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::string Join(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) list += (list.empty() ? "" : ",") + item;
  return list;
}

// Markers of protocol extensions, not algorithms anyone chooses.
bool IsMarker(const std::string& name) {
  return name.rfind("kex-strict-", 0) == 0 || name.rfind("ext-info-", 0) == 0;
}

// libssh's names of the negotiated methods -> OpenSSH's option and its words.
struct Method {
  const char* libssh;
  const char* option;
  const char* words;
};
const Method kMethods[] = {
    {"kex algos", "KexAlgorithms", "key exchange methods"},
    {"server host key algo", "HostKeyAlgorithms", "host key algorithms"},
    {"encryption client->server", "Ciphers", "ciphers"},
    {"encryption server->client", "Ciphers", "ciphers"},
    {"mac algo client->server", "MACs", "MACs"},
    {"mac algo server->client", "MACs", "MACs"},
};

}  // namespace

Status SshAlgorithms::Add(const std::string& option) {
  const size_t equals = option.find('=');
  if (equals == std::string::npos) {
    return Status::Failure("--ssh-option " + option + ": give NAME=VALUE");
  }
  return Add(option.substr(0, equals), option.substr(equals + 1));
}

Status SshAlgorithms::Add(const std::string& name, const std::string& value) {
  for (const auto& [known, defaults] : kDefaults) {
    if (name != known) continue;
    const std::string list = value.empty() || value[0] == '+' || value[0] == '-' || value[0] == '^'
                                 ? value.substr(value.empty() ? 0 : 1)
                                 : value;
    if (list.empty() || list.find_first_of(" \t") != std::string::npos) {
      return Status::Failure("SSH option " + name + ": give a comma-separated list of algorithms");
    }
    options_[name] = value;
    return Status();
  }
  return Status::Failure("SSH option " + name +
                         " is not one of KexAlgorithms, HostKeyAlgorithms, Ciphers, MACs");
}

std::string SshAlgorithms::Resolved(const std::string& name) const {
  const auto option = options_.find(name);
  const auto defaults = kDefaults.find(name);
  if (defaults == kDefaults.end()) return "";
  if (option == options_.end()) return defaults->second;
  const std::string& value = option->second;
  const char how = value[0];
  if (how != '+' && how != '-' && how != '^') return value;
  const std::vector<std::string> named = Split(value.substr(1));
  std::vector<std::string> items = Split(defaults->second);
  auto isNamed = [&named](const std::string& item) {
    return std::find(named.begin(), named.end(), item) != named.end();
  };
  items.erase(std::remove_if(items.begin(), items.end(), isNamed), items.end());
  if (how == '+') items.insert(items.end(), named.begin(), named.end());
  if (how == '^') items.insert(items.begin(), named.begin(), named.end());
  return Join(items);
}

std::string SshAlgorithms::ExplainNegotiationFailure(const std::string& error,
                                                     const std::string& where) {
  static const std::regex kNoMatch(R"(no match for method ([^:]+): server \[([^\]]*)\])");
  std::smatch match;
  if (!std::regex_search(error, match, kNoMatch)) return "";
  const std::string method = match[1];
  std::vector<std::string> items = Split(match[2]);
  items.erase(std::remove_if(items.begin(), items.end(), IsMarker), items.end());
  const std::string offered = Join(items);
  for (const Method& known : kMethods) {
    if (method != known.libssh) continue;
    const std::string first = offered.substr(0, offered.find(','));
    return where + " offers only " + known.words + " that are not allowed by default (" + offered +
           "); if you accept them, allow one with --ssh-option " + known.option + "=+" + first +
           " (inventory ssh_options: {" + known.option + ": \"+" + first + "\"})";
  }
  return where + " and we share no " + method + " (it offers " + offered + ")";
}
