// The CLI over SSH (libssh): an interactive shell on a pseudo-terminal 512
// columns wide, after the router's host key was checked against an OpenSSH
// known-hosts file and the user authenticated with a key, a password or
// keyboard-interactive prompts (each answered with the password).
//
//   SshSettings ssh;
//   ssh.address = "10.0.0.1"; ssh.user = "admin"; ssh.password = ...;
//   CliSession session(std::make_unique<SshStream>(ssh), login, 30000);
//
// A host key problem (unknown without acceptNewHostKey, or changed) refuses
// the connection, as a router that turns the login down does.
#ifndef TRANSPORTS_SSHSTREAM_H_
#define TRANSPORTS_SSHSTREAM_H_

#include <string>

#include "transports/ByteStream.h"
#include "transports/SshAlgorithms.h"

struct ssh_session_struct;
struct ssh_channel_struct;

struct SshSettings {
  std::string address;
  int port = 22;
  std::string user;
  std::string password;
  std::string identityFile;  // a private key to try first; empty: none
  std::string identityPassphrase;
  std::string knownHostsFile;  // empty: ~/.ssh/known_hosts
  bool acceptNewHostKey = false;
  SshAlgorithms algorithms;
};

class SshStream : public ByteStream {
 public:
  explicit SshStream(SshSettings settings);
  // A failure naming an algorithm of `algorithms` that this libssh cannot
  // speak at all (it would leave it out without a word).
  static Status Speaks(const SshAlgorithms& algorithms);

  ~SshStream() override;
  SshStream(const SshStream&) = delete;
  SshStream& operator=(const SshStream&) = delete;

  ConnectStatus Connect(int timeoutMs) override;
  void Close() override;
  bool IsOpen() const override { return channel_ != nullptr; }
  Got Read(std::string& into, int waitMs) override;
  void Write(const std::string& bytes) override;
  const char* LineEnd() const override { return "\r"; }
  std::string Where() const override;
  bool Untrusted() const override { return untrusted_; }

 private:
  Status Configure(int timeoutMs);
  // Refused only when the router answered no.
  ConnectStatus Authenticate(int timeoutMs);
  // The answer to the identity file's key; SSH_AUTH_DENIED with `unreadable`
  // when the key cannot be read.
  int AuthenticateByKey(bool& unreadable);
  // Ok when `result` is the router's answer to authentication, a yes or a
  // no; a failure when it is silence or a lost connection.
  Status Answered(int result, int timeoutMs, const std::string& who) const;
  // The answer to keyboard-interactive questions, each answered with the password.
  int AuthenticateInteractively();
  Status OpenShell();

  SshSettings settings_;
  ssh_session_struct* session_ = nullptr;
  ssh_channel_struct* channel_ = nullptr;
  bool untrusted_ = false;
};

#endif  // TRANSPORTS_SSHSTREAM_H_
