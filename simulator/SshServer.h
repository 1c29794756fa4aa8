// The simulated router's SSH service (libssh's server API): a host key kept
// in a file (created when missing), password and keyboard-interactive logins
// with the router's user and password, public-key logins with the keys of an
// authorized_keys file, and a shell that is the router's CLI.
//
//   SshServer server;
//   if (!server.Listen(setup, problem)) ...;
//   poll server.Fd(); ssh_session client = server.Accept();
//   ... in the client's thread: ServeSshClient(client, routerSetup, server.AuthorizedKeys());
#ifndef SIMULATOR_SSHSERVER_H_
#define SIMULATOR_SSHSERVER_H_

#include <string>
#include <utility>
#include <vector>

#include "simulator/RouterSession.h"
#include "simulator/SshAuthorizedKeys.h"
#include "status/Status.h"

struct ssh_bind_struct;
struct ssh_session_struct;

struct SshServerSetup {
  std::string address = "127.0.0.1";
  int port = 0;  // 0: any free port
  std::string hostKeyFile;
  std::string authorizedKeysFile;  // empty: no public-key logins
  // OpenSSH option name and value (KexAlgorithms, HostKeyAlgorithms, Ciphers,
  // MACs): what the server offers, instead of libssh's defaults.
  std::vector<std::pair<std::string, std::string>> options;
  bool newKeyAfterFirst = false;  // every connection after the first gets a new host key
};

class SshServer {
 public:
  SshServer() = default;
  ~SshServer();
  SshServer(const SshServer&) = delete;
  SshServer& operator=(const SshServer&) = delete;

  Status Listen(const SshServerSetup& setup);
  int Fd() const;
  int Port() const { return port_; }
  // A client that connected, or nullptr; the caller serves and frees it.
  ssh_session_struct* Accept();
  const SshAuthorizedKeys& AuthorizedKeys() const { return authorizedKeys_; }

 private:
  ssh_bind_struct* bind_ = nullptr;
  SshAuthorizedKeys authorizedKeys_;
  int port_ = 0;
  bool newKeyAfterFirst_ = false;
  int accepted_ = 0;
};

// The connection's socket, for shutting it down from another thread.
int SshSessionFd(ssh_session_struct* session);

// Key exchange, authentication, the shell, then the router's CLI until the
// client leaves; frees `session`. A key login, like a password login, leads
// straight to the CLI prompt; "enable" still asks its password.
void ServeSshClient(ssh_session_struct* session, const RouterSetup& setup,
                    const SshAuthorizedKeys& keys);

#endif  // SIMULATOR_SSHSERVER_H_
