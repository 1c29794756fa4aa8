// erx-discover's live mode: the options that name a router and how to reach
// it, and the session that discovery then drives.
//
//   erx-discover --host 10.0.0.1 --user admin [--telnet-port N] [--snmp-port N]
//                [--snmp-version 2c|3] [--timeout S] [--save-capture DIR]
//   erx-discover --host 10.0.0.1 --user admin --ssh [--ssh-port N] [--known-hosts FILE]
//                [--accept-new-host-key] [--ssh-identity FILE] [--ssh-option NAME=VALUE]
//
// Secrets come from the environment or --secrets-file (see Secrets.h).
#ifndef DISCOVERY_LIVEOPTIONS_H_
#define DISCOVERY_LIVEOPTIONS_H_

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "captures/CaptureRecorder.h"
#include "transports/LiveTransport.h"
#include "transports/Secrets.h"

// Names of the variables (environment or secrets file) that hold a device's
// secrets; an inventory may name others per device.
struct SecretNames {
  std::string password = "ERX_PASSWORD";
  std::string enablePassword = "ERX_ENABLE_PASSWORD";
  std::string community = "ERX_COMMUNITY";
  std::string snmpAuthKey = "ERX_SNMP_AUTH_KEY";
  std::string snmpPrivKey = "ERX_SNMP_PRIV_KEY";
  std::string sshKeyPassphrase = "ERX_SSH_KEY_PASSPHRASE";
};

// The CLI over SSH instead of Telnet, and how the router's key is checked.
struct SshOptions {
  bool enabled = false;
  int port = 22;
  std::string identity;    // private key file; empty: password only
  std::string knownHosts;  // empty: ~/.ssh/known_hosts
  bool acceptNewHostKey = false;
  std::vector<std::string> algorithms;  // NAME=VALUE, OpenSSH's option names
};

struct LiveOptions {
  std::string host;  // empty: no live router, a capture is discovered
  int telnetPort = 23;
  int snmpPort = 161;
  std::string user;
  std::string snmpVersion = "2c";
  std::string snmpUser;  // SNMPv3; default the --user
  std::string snmpAuth = "SHA";
  std::string snmpPriv = "AES";
  std::vector<std::string> contextCommunities;  // CONTEXT=NAME of the variable holding it
  int timeoutSeconds = 30;
  int cliSessions = 1;  // CLI sessions a long request is split over
  double deviceTimeoutSeconds = 600;  // the whole device; 0: no deadline
  std::string saveCapture;
  std::string secretsFile;
  SecretNames secretNames;
  bool quiet = false;
  bool paging = false;  // leave the router's paging on (answer its page marks)
  SshOptions ssh;
};

// Adds the live options to `app`; --host excludes `captureOption`.
void AddLiveOptions(CLI::App& app, LiveOptions& options, CLI::Option* captureOption);

class LiveDevice {
 public:
  static const int kUnreachable = 3;

  // 0 when the router is logged in to; 2 (bad usage: secrets or options) or
  // kUnreachable with a one-line `problem` otherwise.
  int Open(const LiveOptions& options, std::string& problem);
  CPelkRequestTransport& Transport() { return *transport_; }
  const TransportHealth& Health() const { return transport_->Health(); }
  const std::string& Name() const { return transport_->DeviceName(); }
  // Ends the session and writes the capture when one was asked for. False
  // with `problem` when the capture cannot be written, or when the router
  // stopped being trusted on a reconnection (then nothing is saved).
  bool Finish(std::string& problem);
  bool Distrusted() const { return !transport_->Distrust().empty(); }

 private:
  // Telnet or SSH, as the options say; nullptr with `problem` for bad SSH options.
  static std::unique_ptr<ByteStream> CliStream(const LiveOptions& options, const Secrets& secrets,
                                               const CliLogin& login, std::string& problem);

  LiveOptions options_;
  std::unique_ptr<LiveTransport> transport_;
  CaptureRecorder recorder_;
  bool showProgress_ = false;
};

#endif  // DISCOVERY_LIVEOPTIONS_H_
