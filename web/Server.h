// `erx-discover serve`: the store read through web pages and their JSON.
// Every answer carries a Content-Security-Policy that lets a page run only
// our own script and load nothing from elsewhere; nothing is ever written.
#ifndef WEB_SERVER_H_
#define WEB_SERVER_H_

#include <ostream>
#include <string>

#include "status/Status.h"
#include "web/Access.h"

namespace httplib {
class Server;
}

namespace web {

struct ServeOptions {
  std::string storePath;
  AccessOptions access;
};

// The pages, the API and the limits, on `server`; with `users` not null
// every request must carry the credentials of one of them.
void SetUpServer(httplib::Server& server, const std::string& storePath, const Users* users);

// Serves until SIGINT or SIGTERM, after one line on `out` that names the
// address and the port it listens on ("serving fleet.db at
// http://127.0.0.1:8080/"). Ok when stopped; fails when it cannot or must
// not start.
Status Serve(const ServeOptions& options, std::ostream& out);

}  // namespace web

#endif  // WEB_SERVER_H_
