// The public keys that may log in to the simulated router, read from an
// OpenSSH authorized_keys file: one key a line, "#" comments and blank lines
// skipped, options before the key type tolerated (and not enforced).
//
//   SshAuthorizedKeys keys;
//   if (Status loaded = keys.Load("/tmp/authorized_keys"); !loaded.ok()) ...;
//   if (keys.Allows(offeredKey)) ...;
#ifndef SIMULATOR_SSHAUTHORIZEDKEYS_H_
#define SIMULATOR_SSHAUTHORIZEDKEYS_H_

#include <string>
#include <vector>

#include "status/Status.h"

struct ssh_key_struct;

class SshAuthorizedKeys {
 public:
  SshAuthorizedKeys() = default;
  ~SshAuthorizedKeys();
  SshAuthorizedKeys(const SshAuthorizedKeys&) = delete;
  SshAuthorizedKeys& operator=(const SshAuthorizedKeys&) = delete;

  // A failure names the file (and line) that could not be used.
  Status Load(const std::string& file);
  bool Empty() const { return keys_.empty(); }
  bool Allows(ssh_key_struct* offered) const;

 private:
  std::vector<ssh_key_struct*> keys_;
};

#endif  // SIMULATOR_SSHAUTHORIZEDKEYS_H_
