// Column walks over SNMP (net-snmp), in the contexts of virtual routers and
// VRFs. The host names a context as "" (none), "@vr1" or "@vr1:red":
//
//   SNMPv2c  the context goes into the community: "public@vr1:red", unless a
//            community of its own is set for "vr1:red"
//   SNMPv3   the context text without "@" is the context name: "vr1:red"
//
// A context that does not answer is remembered and not asked again. A walk is
// bounded in rows, in bytes kept and in time (`walkTimeoutMs`): an agent that
// answers every request with one more row cannot take the run's memory or
// time, and such a walk gives nothing.
#ifndef TRANSPORTS_SNMPWALKER_H_
#define TRANSPORTS_SNMPWALKER_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "captures/SnmpRow.h"

struct SnmpSettings {
  std::string address = "127.0.0.1";
  int port = 161;
  bool v3 = false;
  std::string community = "public";
  std::map<std::string, std::string> contextCommunities;  // "vr1:red" -> community
  std::string user;
  std::string authProtocol = "SHA";  // SHA or MD5; no key: no authentication
  std::string authKey;
  std::string privProtocol = "AES";  // AES or DES; no key: no privacy
  std::string privKey;
  int timeoutMs = 5000;
  int retries = 1;
  int walkTimeoutMs = 0;  // a whole walk; 0: no limit
  // Tests lower these to reach them in a moment.
  size_t maxWalkRows = 1000000;
  size_t maxWalkBytes = size_t{64} << 20;  // whole MiB
};

class SnmpWalker {
 public:
  explicit SnmpWalker(SnmpSettings settings);
  ~SnmpWalker();
  SnmpWalker(const SnmpWalker&) = delete;
  SnmpWalker& operator=(const SnmpWalker&) = delete;

  // The rows of one column, in OID order; nullopt when the context gave no
  // answer, or when the walk passed a bound (`cut` then says which). A column
  // the device lacks gives an empty list.
  std::optional<std::vector<SnmpRow>> Walk(const std::string& context, const std::string& columnOid,
                                           std::string* cut = nullptr);
  // "127.0.0.1:161"
  std::string Where() const { return settings_.address + ":" + std::to_string(settings_.port); }

 private:
  void* SessionFor(const std::string& context);

  SnmpSettings settings_;
  std::map<std::string, void*> sessions_;  // by context; null once it did not answer
};

#endif  // TRANSPORTS_SNMPWALKER_H_
