// Passwords, communities and SNMPv3 keys of a live device. They come from the
// environment or from a private file, never from the command line where any
// user of the machine can read them, and nothing here ever prints them.
//
//   ERX_PASSWORD         login password (also the line password)
//   ERX_ENABLE_PASSWORD  password of "enable" (privileged mode)
//   ERX_COMMUNITY        SNMPv2c community (default "public")
//   ERX_SNMP_AUTH_KEY    SNMPv3 authentication key
//   ERX_SNMP_PRIV_KEY    SNMPv3 privacy key
//
// A secrets file holds NAME=VALUE lines with the same names ('#' starts a
// comment line; blanks around '=' are not part of the name or the value);
// its values win over the environment. Other names in it are
// free for per-context communities (see LiveOptions).
#ifndef TRANSPORTS_SECRETS_H_
#define TRANSPORTS_SECRETS_H_

#include <map>
#include <set>
#include <string>

#include "status/Status.h"

// Overwrites a secret's bytes before it is let go: freed memory ends up in
// core files and in the next owner's hands as it was.
void Wipe(std::string& secret);

// Core dumps off for this process and what it forks (RLIMIT_CORE 0), and it
// becomes not dumpable (PR_SET_DUMPABLE 0): no core file or other process of
// the user can read its memory, where the secrets are.
void KeepMemoryPrivate();

class Secrets {
 public:
  Secrets() = default;
  Secrets(Secrets&&) = default;
  Secrets& operator=(Secrets&&) = default;
  ~Secrets();  // the values read from the file are wiped

  // The environment's values, then the file's when `file` is not empty; of
  // the file only the names in `wanted` (every name when it is empty). Fails
  // when the file cannot be read or others may read it.
  Status Load(const std::string& file, const std::set<std::string>& wanted = {});

  // The value of NAME, or `fallback` when it is neither in the file nor in
  // the environment.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  bool Has(const std::string& name) const;

 private:
  // Keeps the value of a NAME=VALUE line (whose name starts at `start`) when
  // it is wanted; false when the line is no such line.
  bool Keep(const std::string& line, size_t start, const std::set<std::string>& wanted);

  std::map<std::string, std::string> fromFile_;
};

#endif  // TRANSPORTS_SECRETS_H_
