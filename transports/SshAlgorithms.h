// Which algorithms an SSH connection may use, in OpenSSH's words: options
// named KexAlgorithms, HostKeyAlgorithms, Ciphers and MACs, each a list that
// replaces libssh's secure defaults, or adds to their end ("+name,..."),
// puts first ("^name,...") or takes from them ("-name,...").
//
//   SshAlgorithms algorithms;
//   Status added = algorithms.Add("KexAlgorithms=+diffie-hellman-group14-sha1");
#ifndef TRANSPORTS_SSHALGORITHMS_H_
#define TRANSPORTS_SSHALGORITHMS_H_

#include <map>
#include <string>

#include "status/Status.h"

class SshAlgorithms {
 public:
  // "NAME=VALUE"; a failure for an unknown name or an empty list.
  Status Add(const std::string& option);
  Status Add(const std::string& name, const std::string& value);
  // Name -> value, in OpenSSH's spelling.
  const std::map<std::string, std::string>& Options() const { return options_; }
  // The list that option `name` leaves: libssh's defaults changed as it says.
  std::string Resolved(const std::string& name) const;

  // A one-line explanation of libssh's "no match for method ..." error: what
  // the router offered and the option that would allow it. Empty when
  // `error` is not a failed negotiation.
  static std::string ExplainNegotiationFailure(const std::string& error, const std::string& where);

 private:
  std::map<std::string, std::string> options_;
};

#endif  // TRANSPORTS_SSHALGORITHMS_H_
