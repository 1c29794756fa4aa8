#include "discovery/LiveDevice.h"

#include <unistd.h>

#include <iostream>
#include <set>

#include "transports/SshStream.h"
#include "transports/TelnetStream.h"

namespace {

// Only what this device needs is read from the secrets file: the rest of it
// never reaches our memory. An empty password is refused as a missing one
// is: it is never sent.
Status LoadSecrets(const LiveOptions& options, Secrets& secrets) {
  const SecretNames& names = options.secretNames;
  std::set<std::string> wanted = {names.password, names.enablePassword, names.community};
  if (options.snmpVersion == "3") wanted.insert({names.snmpAuthKey, names.snmpPrivKey});
  if (options.ssh.enabled && !options.ssh.identity.empty()) wanted.insert(names.sshKeyPassphrase);
  for (const std::string& entry : options.contextCommunities) {
    if (entry.find('=') != std::string::npos) wanted.insert(entry.substr(entry.find('=') + 1));
  }
  if (Status loaded = secrets.Load(options.secretsFile, wanted); !loaded.ok()) return loaded;
  if (!secrets.Has(names.password) || secrets.Get(names.password).empty()) {
    return Status::Failure(names.password +
                           (secrets.Has(names.password) ? " is empty" : " is not set") +
                           " in the environment or the secrets file: the login password is needed");
  }
  if (secrets.Has(names.enablePassword) && secrets.Get(names.enablePassword).empty()) {
    return Status::Failure(names.enablePassword +
                           " is empty in the environment or the secrets file: give the enable "
                           "password, or leave it unset for the login password");
  }
  return Status();
}

LiveTransport::Cli CliSettings(const LiveOptions& options, const Secrets& secrets) {
  LiveTransport::Cli cli;
  cli.login.user = options.user;
  cli.login.password = secrets.Get(options.secretNames.password);
  cli.login.enablePassword = secrets.Get(options.secretNames.enablePassword, cli.login.password);
  cli.timeoutMs = options.timeoutSeconds * 1000;
  cli.pagingOff = !options.paging;
  // With paging on, a command typed ahead would answer a page mark.
  cli.typeAhead = options.paging ? 1 : options.cliPipeline;
  return cli;
}

// CONTEXT=NAME entries: each context's community from the variable NAME.
Status ReadContextCommunities(const LiveOptions& options, const Secrets& secrets,
                              SnmpSettings& snmp) {
  for (const std::string& entry : options.contextCommunities) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos || equals == 0 || !secrets.Has(entry.substr(equals + 1))) {
      return Status::Failure(
          "--context-community " + entry +
          ": give CONTEXT=NAME, NAME a variable of the environment or the secrets file");
    }
    std::string context = entry.substr(0, equals);
    if (context[0] == '@') context.erase(0, 1);
    snmp.contextCommunities[context] = secrets.Get(entry.substr(equals + 1));
  }
  return Status();
}

Status MakeSnmpSettings(const LiveOptions& options, const Secrets& secrets, SnmpSettings& snmp) {
  snmp.address = options.host;
  snmp.port = options.snmpPort;
  snmp.v3 = options.snmpVersion == "3";
  snmp.community = secrets.Get(options.secretNames.community, "public");
  if (Status read = ReadContextCommunities(options, secrets, snmp); !read.ok()) return read;
  snmp.v3User.name = options.snmpUser.empty() ? options.user : options.snmpUser;
  snmp.v3User.authProtocol = options.snmpAuth;
  snmp.v3User.authKey = secrets.Get(options.secretNames.snmpAuthKey);
  snmp.v3User.privProtocol = options.snmpPriv;
  snmp.v3User.privKey = secrets.Get(options.secretNames.snmpPrivKey);
  // One try and one retry of a request take the timeout between them.
  snmp.limits.timeoutMs = options.timeoutSeconds * 1000 / (snmp.limits.retries + 1);
  snmp.limits.walkTimeoutMs = options.timeoutSeconds * 1000;
  if (snmp.v3 && snmp.v3User.name.empty()) {
    return Status::Failure("SNMPv3 needs a user: give --snmp-user or --user");
  }
  return Status();
}

}  // namespace

Result<std::unique_ptr<ByteStream>> LiveDevice::CliStream(const LiveOptions& options,
                                                          const Secrets& secrets,
                                                          const CliLogin& login) {
  if (!options.ssh.enabled) {
    return std::unique_ptr<ByteStream>(
        std::make_unique<TelnetStream>(options.host, options.telnetPort));
  }
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
    if (Status added = ssh.algorithms.Add(option); !added.ok()) return added;
  }
  if (Status spoken = SshStream::Speaks(ssh.algorithms); !spoken.ok()) return spoken;
  return std::unique_ptr<ByteStream>(std::make_unique<SshStream>(std::move(ssh)));
}

// The transport with all its CLI sessions; none is logged in to yet.
Status LiveDevice::MakeTransport(const Secrets& secrets) {
  LiveTransport::Cli cli = CliSettings(options_, secrets);
  SnmpSettings snmp;
  // Our copies go once the transport and its sessions have theirs.
  struct WipeOnReturn {
    LiveTransport::Cli& cli;
    SnmpSettings& snmp;
    ~WipeOnReturn() {
      for (std::string* secret : {&cli.login.password, &cli.login.enablePassword, &snmp.community,
                                  &snmp.v3User.authKey, &snmp.v3User.privKey}) {
        Wipe(*secret);
      }
      for (auto& entry : snmp.contextCommunities) Wipe(entry.second);
    }
  } wipeOnReturn{cli, snmp};
  if (Status made = MakeSnmpSettings(options_, secrets, snmp); !made.ok()) return made;

  std::unique_ptr<ByteStream> stream;
  if (Status made = CliStream(options_, secrets, cli.login).Into(stream); !made.ok()) return made;
  transport_ = std::make_unique<LiveTransport>(std::move(stream), cli, snmp);
  std::vector<std::unique_ptr<ByteStream>> more;
  for (int i = 1; i < options_.cliSessions; ++i) {
    more.emplace_back();
    if (Status made = CliStream(options_, secrets, cli.login).Into(more.back()); !made.ok()) {
      return made;
    }
  }
  transport_->AddCliSessions(std::move(more));
  return Status();
}

void LiveDevice::ShowProgressAndKeepDeadline() {
  showProgress_ = !options_.quiet && isatty(STDERR_FILENO);
  if (showProgress_) {
    transport_->OnProgress([](const LiveProgress& progress) {
      std::cerr << "\rerx-discover: " << progress.sent << " commands sent, " << progress.answered
                << " answered, " << progress.walks << " walks done " << std::flush;
    });
  }
  if (options_.deviceTimeoutSeconds > 0) {
    const auto limit = std::chrono::duration<double>(options_.deviceTimeoutSeconds);
    transport_->SetDeadline(
        std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(limit),
        static_cast<int>(options_.deviceTimeoutSeconds));
  }
}

Outcome<DeviceOutcome> LiveDevice::Open(const LiveOptions& options) {
  options_ = options;
  Secrets secrets;
  Status ready = LoadSecrets(options, secrets);
  if (ready.ok()) ready = MakeTransport(secrets);
  if (!ready.ok()) return {DeviceOutcome::kCannotStart, ready};
  if (!options.saveCapture.empty()) transport_->Record(&recorder_);
  ShowProgressAndKeepDeadline();
  if (ConnectStatus opened = transport_->Open(); !opened.ok()) {
    return {DeviceOutcome::kUnreachable, opened.status()};
  }
  return DeviceOutcome::kDiscovered;
}

Status LiveDevice::Finish() {
  transport_->Close();
  if (showProgress_) std::cerr << "\n";
  if (Distrusted()) return Status::Failure(transport_->Distrust());
  if (options_.saveCapture.empty()) return Status();
  return recorder_.Save(options_.saveCapture);
}
