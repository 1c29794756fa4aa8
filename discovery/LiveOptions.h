// What names a live router and how to reach it. The command line and an
// inventory fill it in from one table of settings (LiveSettings.h).
//
// Secrets are never held here, only the names of the variables that hold them
// (environment or --secrets-file; see transports/Secrets.h).
#ifndef DISCOVERY_LIVEOPTIONS_H_
#define DISCOVERY_LIVEOPTIONS_H_

#include <string>
#include <vector>

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
  std::string snmpUser;  // SNMPv3; default the user
  std::string snmpAuth = "SHA";
  std::string snmpPriv = "AES";
  std::vector<std::string> contextCommunities;  // CONTEXT=NAME of the variable holding it
  int timeoutSeconds = 30;
  int cliSessions = 1;                // CLI sessions a long request is split over
  int cliPipeline = 1;                // commands a session writes ahead of their replies
  double deviceTimeoutSeconds = 600;  // the whole device; 0: no deadline
  std::string saveCapture;
  std::string secretsFile;
  SecretNames secretNames;
  bool quiet = false;
  bool paging = false;  // leave the router's paging on (answer its page marks)
  SshOptions ssh;
};

#endif  // DISCOVERY_LIVEOPTIONS_H_
