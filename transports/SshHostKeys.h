// The host key check of an SSH connection, as OpenSSH makes it: the key the
// router showed against an OpenSSH known-hosts file ("[host]:port" entries
// for ports other than 22, hashed entries too, CRLF line ends as LF). An
// unknown key is recorded only when asked; a changed one never is, nor one
// that an "@revoked" line holds. "@cert-authority" lines name no host's key.
//
// Recording takes an exclusive lock on the file, so that fleet workers
// recording keys at once lose and mix no line.
#ifndef TRANSPORTS_SSHHOSTKEYS_H_
#define TRANSPORTS_SSHHOSTKEYS_H_

#include <string>

#include "status/Status.h"

struct ssh_session_struct;

// ~/.ssh/known_hosts
std::string DefaultKnownHostsFile();

// After the key exchange of `session`: ok when the key is known (or was
// recorded as new); else a one-line failure naming the key's type and
// SHA256 fingerprint and what to do.
Status CheckHostKey(ssh_session_struct* session, const std::string& where,
                    const std::string& knownHostsFile, bool acceptNew);

#endif  // TRANSPORTS_SSHHOSTKEYS_H_
