#include "discovery/LiveOptions.h"

#include <unistd.h>

#include <iostream>
#include <set>

#include "transports/Secrets.h"
#include "transports/SshStream.h"
#include "transports/TelnetStream.h"

void AddLiveOptions(CLI::App& app, LiveOptions& options, CLI::Option* captureOption) {
  auto* host = app.add_option("--host", options.host,
                              "discover this live router (Telnet or SSH, and SNMP) instead of a capture")
                   ->option_text("HOST");
  if (captureOption) host->excludes(captureOption);
  app.add_option("--telnet-port", options.telnetPort, "Telnet port of the router")
      ->check(CLI::Range(1, 65535))
      ->capture_default_str();
  app.add_option("--snmp-port", options.snmpPort, "SNMP port of the router")
      ->check(CLI::Range(1, 65535))
      ->capture_default_str();
  app.add_option("--user", options.user, "login user name (none: the router asks no user name)");
  app.add_option("--snmp-version", options.snmpVersion, "SNMP version")
      ->check(CLI::IsMember({"2c", "3"}))
      ->capture_default_str();
  app.add_option("--snmp-user", options.snmpUser, "SNMPv3 user (default: the --user)");
  app.add_option("--snmp-auth", options.snmpAuth, "SNMPv3 authentication protocol")
      ->check(CLI::IsMember({"SHA", "MD5"}))
      ->capture_default_str();
  app.add_option("--snmp-priv", options.snmpPriv, "SNMPv3 privacy protocol")
      ->check(CLI::IsMember({"AES", "DES"}))
      ->capture_default_str();
  app.add_option("--context-community", options.contextCommunities,
                 "SNMPv2c community of one context, read from the variable NAME of the "
                 "environment or the secrets file (repeatable)")
      ->allow_extra_args(false)
      ->option_text("CONTEXT=NAME");
  app.add_option("--timeout", options.timeoutSeconds, "seconds to wait for each command and walk")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  app.add_option("--cli-sessions", options.cliSessions,
                 "CLI sessions a long request is split over, at the same time (routers limit "
                 "the sessions of a user: mind the others logged in)")
      ->check(CLI::Range(1, 16))
      ->capture_default_str();
  app.add_option("--device-timeout", options.deviceTimeoutSeconds,
                 "seconds for one device: nothing more is asked of it, a fleet's worker is "
                 "stopped (0: never)")
      ->check(CLI::Range(0.0, 86400.0))
      ->capture_default_str();
  app.add_option("--save-capture", options.saveCapture,
                 "write what the router sent as a captured device folder")
      ->option_text("DIR");
  app.add_option("--secrets-file", options.secretsFile,
                 "private file of NAME=VALUE lines (ERX_PASSWORD, ERX_COMMUNITY, ...)")
      ->option_text("FILE");
  app.add_flag("--quiet", options.quiet, "no progress line or bar on standard error");
  app.add_flag("--paging", options.paging, "leave the router's paging on");
  SshOptions& ssh = options.ssh;
  app.add_flag("--ssh", ssh.enabled, "reach the CLI over SSH instead of Telnet");
  app.add_option("--ssh-port", ssh.port, "SSH port of the router")
      ->check(CLI::Range(1, 65535))
      ->capture_default_str();
  app.add_option("--ssh-identity", ssh.identity,
                 "private key to log in with (its passphrase in ERX_SSH_KEY_PASSPHRASE)")
      ->option_text("FILE");
  app.add_option("--known-hosts", ssh.knownHosts,
                 "OpenSSH known-hosts file the router's key is checked against "
                 "(default ~/.ssh/known_hosts)")
      ->option_text("FILE");
  app.add_flag("--accept-new-host-key", ssh.acceptNewHostKey,
               "record the key of a router not yet known (never a changed key)");
  app.add_option("--ssh-option", ssh.algorithms,
                 "KexAlgorithms, HostKeyAlgorithms, Ciphers or MACs, as OpenSSH takes them: "
                 "a list, +added or -removed (repeatable)")
      ->allow_extra_args(false)
      ->option_text("NAME=VALUE");
}

std::unique_ptr<ByteStream> LiveDevice::CliStream(const LiveOptions& options,
                                                  const Secrets& secrets, const CliLogin& login,
                                                  std::string& problem) {
  if (!options.ssh.enabled) return std::make_unique<TelnetStream>(options.host, options.telnetPort);
  SshSettings ssh;
  ssh.address = options.host;
  ssh.port = options.ssh.port;
  ssh.user = options.user;
  ssh.password = login.password;
  ssh.identityFile = options.ssh.identity;
  ssh.identityPassphrase = secrets.Get(options.secretNames.sshKeyPassphrase);
  ssh.knownHostsFile = options.ssh.knownHosts;
  ssh.acceptNewHostKey = options.ssh.acceptNewHostKey;
  for (const std::string& option : options.ssh.algorithms) {
    if (!ssh.algorithms.Add(option, problem)) return nullptr;
  }
  if (!SshStream::Speaks(ssh.algorithms, problem)) return nullptr;
  return std::make_unique<SshStream>(std::move(ssh));
}

int LiveDevice::Open(const LiveOptions& options, std::string& problem) {
  const int kBadUsage = 2;
  options_ = options;
  // Only what this device needs is read from the file: the rest of it never
  // reaches our memory.
  const SecretNames& names = options.secretNames;
  std::set<std::string> wanted = {names.password, names.enablePassword, names.community};
  if (options.snmpVersion == "3") wanted.insert({names.snmpAuthKey, names.snmpPrivKey});
  if (options.ssh.enabled && !options.ssh.identity.empty()) wanted.insert(names.sshKeyPassphrase);
  for (const std::string& entry : options.contextCommunities) {
    if (entry.find('=') != std::string::npos) wanted.insert(entry.substr(entry.find('=') + 1));
  }
  Secrets secrets;
  if (!secrets.Load(options.secretsFile, problem, wanted)) return kBadUsage;

  // An empty password is refused as a missing one is: it is never sent.
  if (!secrets.Has(names.password) || secrets.Get(names.password).empty()) {
    problem = names.password + (secrets.Has(names.password) ? " is empty" : " is not set") +
              " in the environment or the secrets file: the login password is needed";
    return kBadUsage;
  }
  if (secrets.Has(names.enablePassword) && secrets.Get(names.enablePassword).empty()) {
    problem = names.enablePassword +
              " is empty in the environment or the secrets file: give the enable password, or "
              "leave it unset for the login password";
    return kBadUsage;
  }

  LiveTransport::Cli cli;
  cli.login.user = options.user;
  cli.login.password = secrets.Get(options.secretNames.password);
  cli.login.enablePassword = secrets.Get(options.secretNames.enablePassword, cli.login.password);
  cli.timeoutMs = options.timeoutSeconds * 1000;
  cli.pagingOff = !options.paging;

  SnmpSettings snmp;
  // Our copies go once the transport and its sessions have theirs.
  struct WipeOnReturn {
    LiveTransport::Cli& cli;
    SnmpSettings& snmp;
    ~WipeOnReturn() {
      for (std::string* secret : {&cli.login.password, &cli.login.enablePassword, &snmp.community,
                                  &snmp.authKey, &snmp.privKey}) {
        Wipe(*secret);
      }
      for (auto& entry : snmp.contextCommunities) Wipe(entry.second);
    }
  } wipeOnReturn{cli, snmp};
  snmp.address = options.host;
  snmp.port = options.snmpPort;
  snmp.v3 = options.snmpVersion == "3";
  snmp.community = secrets.Get(options.secretNames.community, "public");
  for (const std::string& entry : options.contextCommunities) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos || equals == 0 || !secrets.Has(entry.substr(equals + 1))) {
      problem = "--context-community " + entry +
                ": give CONTEXT=NAME, NAME a variable of the environment or the secrets file";
      return kBadUsage;
    }
    std::string context = entry.substr(0, equals);
    if (context[0] == '@') context.erase(0, 1);
    snmp.contextCommunities[context] = secrets.Get(entry.substr(equals + 1));
  }
  snmp.user = options.snmpUser.empty() ? options.user : options.snmpUser;
  snmp.authProtocol = options.snmpAuth;
  snmp.authKey = secrets.Get(options.secretNames.snmpAuthKey);
  snmp.privProtocol = options.snmpPriv;
  snmp.privKey = secrets.Get(options.secretNames.snmpPrivKey);
  // One try and one retry of a request take the timeout between them.
  snmp.timeoutMs = options.timeoutSeconds * 1000 / (snmp.retries + 1);
  snmp.walkTimeoutMs = options.timeoutSeconds * 1000;
  if (snmp.v3 && snmp.user.empty()) {
    problem = "SNMPv3 needs a user: give --snmp-user or --user";
    return kBadUsage;
  }

  std::unique_ptr<ByteStream> stream = CliStream(options, secrets, cli.login, problem);
  if (!stream) return kBadUsage;
  transport_ = std::make_unique<LiveTransport>(std::move(stream), cli, snmp);
  std::vector<std::unique_ptr<ByteStream>> more;
  for (int i = 1; i < options.cliSessions; ++i) {
    more.push_back(CliStream(options, secrets, cli.login, problem));
    if (!more.back()) return kBadUsage;
  }
  transport_->AddCliSessions(std::move(more));
  if (!options.saveCapture.empty()) transport_->Record(&recorder_);
  showProgress_ = !options.quiet && isatty(STDERR_FILENO);
  if (showProgress_) {
    transport_->OnProgress([](const LiveProgress& progress) {
      std::cerr << "\rerx-discover: " << progress.sent << " commands sent, " << progress.answered
                << " answered, " << progress.walks << " walks done " << std::flush;
    });
  }
  if (options.deviceTimeoutSeconds > 0) {
    const auto limit = std::chrono::duration<double>(options.deviceTimeoutSeconds);
    transport_->SetDeadline(
        std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(limit),
        static_cast<int>(options.deviceTimeoutSeconds));
  }
  bool refused = false;
  if (!transport_->Open(problem, refused)) return kUnreachable;
  return 0;
}

bool LiveDevice::Finish(std::string& problem) {
  transport_->Close();
  if (showProgress_) std::cerr << "\n";
  if (Distrusted()) {
    problem = transport_->Distrust();
    return false;
  }
  return options_.saveCapture.empty() || recorder_.Save(options_.saveCapture, problem);
}
