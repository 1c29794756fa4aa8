// Who may talk to the server, and over what. A server on a loopback address
// is for the people of this machine; any other address needs users with
// passwords (--auth-file) and TLS, or the explicit --insecure-http.
//
//   web::Users users;
//   if (Status loaded = users.Load("/etc/erx/web-users"); !loaded.ok()) ...
//   if (!users.Allows(request.get_header_value("Authorization"))) -> 401
#ifndef WEB_ACCESS_H_
#define WEB_ACCESS_H_

#include <map>
#include <string>

#include "status/Result.h"
#include "status/Status.h"

namespace web {

struct ListenAddress {
  std::string host;  // as given: "127.0.0.1", "::1", "0.0.0.0"
  int port = 8080;   // 0: any free port
};

// "ADDRESS:PORT", an IPv6 address in brackets ("[::1]:8080").
Result<ListenAddress> ParseListen(const std::string& text);
bool IsLoopback(const std::string& host);

struct AccessOptions {
  ListenAddress listen;
  std::string authFile;
  std::string tlsCert, tlsKey;
  bool insecureHttp = false;
};

// Why the server must not start with these options; empty when it may.
std::string AccessProblem(const AccessOptions& options);

// The users of an auth file: one "USER:HASH" a line (# comments), each hash
// made by crypt(3) with yescrypt ($y$) or SHA-512 ($6$), e.g. by
// `mkpasswd -m yescrypt`. The file must be private to its owner.
class Users {
 public:
  Status Load(const std::string& file);
  bool Empty() const { return hashes_.empty(); }
  // True when `password` is the user's.
  bool Check(const std::string& user, const std::string& password) const;
  // True when an Authorization header carries Basic credentials of a user.
  bool Allows(const std::string& authorization) const;

 private:
  std::map<std::string, std::string> hashes_;
};

}  // namespace web

#endif  // WEB_ACCESS_H_
