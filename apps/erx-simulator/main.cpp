// erx-simulator: serves a captured device as a live router would, over Telnet
// or SSH and (through snmpsim) SNMP, for tests and demos.
//
//   erx-simulator --capture devices/pe1-erx --telnet 127.0.0.1:2323
//                 --snmp 127.0.0.1:1161 --user admin
//   erx-simulator --capture devices/pe1-erx --ssh 127.0.0.1:2222 --ssh-host-key KEYFILE
//                 [--ssh-option KexAlgorithms=diffie-hellman-group14-sha1] --user admin
//                 [--ssh-authorized-keys FILE]
//
// Passwords come from ERX_PASSWORD and ERX_ENABLE_PASSWORD, the community from
// ERX_COMMUNITY, SNMPv3 keys from ERX_SNMP_AUTH_KEY and ERX_SNMP_PRIV_KEY.
// Port 0 picks a free port. Once every service answers it prints
// "telnet ADDRESS:PORT", "ssh ADDRESS:PORT", "snmp ADDRESS:PORT" and "ready"
// on standard output, then "connection" for
// every client; it stops on SIGTERM or SIGINT, stopping snmpsim and every
// session with it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <list>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <CLI/CLI.hpp>

#include "apps/CommandLine.h"
#include "apps/ExitCodes.h"
#include "version/Version.h"

#include "captures/CliCapture.h"
#include "simulator/Faults.h"
#include "simulator/RouterSession.h"
#include "simulator/SnmpService.h"
#include "simulator/SshServer.h"
#include "simulator/TelnetLink.h"
#include "simulator/UdpRelay.h"
#include "status/Result.h"
#include "status/Status.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

const char kProgram[] = "erx-simulator";

int Fail(const std::string& what) { return FailUsage(kProgram, what); }

std::string Env(const char* name, const char* fallback = "") {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

// "127.0.0.1:2323" -> address and port; loopback only unless allowed.
Result<sockaddr_in> ParseEndpoint(const std::string& text, bool anyAddress) {
  const size_t colon = text.rfind(':');
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  char* end = nullptr;
  const long port =
      colon == std::string::npos ? -1 : std::strtol(text.c_str() + colon + 1, &end, 10);
  if (port < 0 || port > 65535 || *end != '\0' ||
      inet_pton(AF_INET, text.substr(0, colon).c_str(), &endpoint.sin_addr) != 1) {
    return Status::Failure("not an IPv4 ADDRESS:PORT: " + text);
  }
  if (!anyAddress && (ntohl(endpoint.sin_addr.s_addr) >> 24) != 127) {
    return Status::Failure(text + " is not a loopback address (give --any-address to serve it)");
  }
  endpoint.sin_port = htons(static_cast<uint16_t>(port));
  return endpoint;
}

// The client sessions, each in a thread of its own; a finished one is joined
// when the next client comes, so a long-running simulator keeps no stacks of
// sessions long gone.
class Sessions {
 public:
  // `serve` serves the client whose connection is `fd`.
  void Start(int fd, std::function<void()> serve) {
    std::lock_guard<std::mutex> lock(mutex_);
    JoinFinished();
    open_.insert(fd);
    running_.emplace_back();
    Running& running = running_.back();
    running.thread = std::thread([this, fd, serve = std::move(serve), &running] {
      serve();
      std::lock_guard<std::mutex> finishing(mutex_);
      open_.erase(open_.find(fd));
      running.finished = true;
    });
  }
  // Ends every session and waits for them.
  void StopAll() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (int fd : open_) shutdown(fd, SHUT_RDWR);
    }
    for (Running& running : running_) running.thread.join();
    running_.clear();
  }

 private:
  struct Running {
    std::thread thread;
    bool finished = false;  // under mutex_
  };

  // With mutex_ held; a finished thread only has to return.
  void JoinFinished() {
    for (auto it = running_.begin(); it != running_.end();) {
      if (!it->finished) {
        ++it;
        continue;
      }
      it->thread.join();
      it = running_.erase(it);
    }
  }

  std::mutex mutex_;
  // A session closes its descriptor before it leaves this set, and accept may
  // hand the same number to the next client meanwhile: both are counted.
  std::multiset<int> open_;
  std::list<Running> running_;
};

// What the command line asks for.
struct Options {
  std::string captureDir, telnetText, snmpText, snmpV3User, sshText;
  std::vector<std::string> faultTexts, sshOptionTexts;
  SshServerSetup sshSetup;
  bool anyAddress = false;
  RouterSetup setup;
};

void DefineOptions(CLI::App& app, Options& options) {
  app.add_option("--capture", options.captureDir, "captured device folder")->required();
  app.add_option("--telnet", options.telnetText, "Telnet ADDRESS:PORT (port 0: any free one)");
  auto* sshOption =
      app.add_option("--ssh", options.sshText, "SSH ADDRESS:PORT (port 0: any free one)");
  app.add_option("--ssh-host-key", options.sshSetup.hostKeyFile,
                 "the SSH host key, in OpenSSH's format (an Ed25519 key is made when missing)")
      ->needs(sshOption)
      ->option_text("FILE");
  app.add_option("--ssh-authorized-keys", options.sshSetup.authorizedKeysFile,
                 "public keys that may log in (OpenSSH's authorized_keys format)")
      ->needs(sshOption)
      ->option_text("FILE");
  app.add_option("--ssh-option", options.sshOptionTexts,
                 "KexAlgorithms, HostKeyAlgorithms, Ciphers or MACs: the only ones offered "
                 "(repeatable)")
      ->needs(sshOption)
      ->allow_extra_args(false)
      ->option_text("NAME=VALUE");
  app.add_option("--snmp", options.snmpText,
                 "SNMP ADDRESS:PORT, served by snmpsim (port 0: any free one)");
  app.add_option("--user", options.setup.user, "login user (none: no login at all)");
  app.add_flag("--line-password", options.setup.linePassword,
               "without --user, ask only a line password (ERX_PASSWORD)");
  app.add_option("--snmp-v3-user", options.snmpV3User, "also serve SNMPv3 to this user (SHA, AES)");
  app.add_option("--fault", options.faultTexts,
                 "slow=MS, drop-after=BYTES, hang-on=COMMAND, hang-after=N, drop-on=COMMAND, "
                 "prompt-in=COMMAND, refuse-enable, new-host-key, noise, latency=MS, "
                 "drop-typeahead, endless-table=OID[:BYTES]")
      ->allow_extra_args(false);
  app.add_flag("--any-address", options.anyAddress, "allow addresses other than loopback");
}

// What the parser cannot check itself: which services, the faults, the SSH options.
Status CheckOptions(const CLI::App& app, Options& options) {
  if (app.count("--telnet") == 0 && app.count("--ssh") == 0) {
    return Status::Failure("give --telnet, --ssh or both");
  }
  if (!options.sshText.empty() && options.sshSetup.hostKeyFile.empty()) {
    return Status::Failure("--ssh needs --ssh-host-key");
  }
  if (Status parsed = ParseFaults(options.faultTexts).Into(options.setup.faults); !parsed.ok()) {
    return parsed;
  }
  for (const std::string& option : options.sshOptionTexts) {
    const size_t equals = option.find('=');
    if (equals == std::string::npos) {
      return Status::Failure("--ssh-option " + option + ": give NAME=VALUE");
    }
    options.sshSetup.options.emplace_back(option.substr(0, equals), option.substr(equals + 1));
  }
  return Status();
}

Result<CliCapture> ReadCapture(const std::string& captureDir) {
  std::ifstream log(std::filesystem::path(captureDir) / "cli.log", std::ios::binary);
  if (!log) return Status::Failure("no cli.log in " + captureDir);
  std::ostringstream text;
  text << log.rdbuf();
  CliCapture capture = ParseCliLog(text.str());
  if (capture.host.empty()) return Status::Failure(captureDir + "/cli.log has no prompt line");
  return capture;
}

struct TelnetListener {
  int fd = -1;       // -1 when no Telnet was asked
  sockaddr_in at{};  // its port filled in when 0 was asked
};

Result<TelnetListener> ListenTelnet(const Options& options) {
  TelnetListener listener;
  if (options.telnetText.empty()) return listener;
  if (Status parsed = ParseEndpoint(options.telnetText, options.anyAddress).Into(listener.at);
      !parsed.ok()) {
    return parsed;
  }
  sockaddr_in& at = listener.at;
  listener.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int reuse = 1;
  setsockopt(listener.fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  socklen_t size = sizeof at;
  if (bind(listener.fd, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
      listen(listener.fd, SOMAXCONN) != 0 ||
      getsockname(listener.fd, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
    return Status::Failure("cannot listen on " + options.telnetText);
  }
  return listener;
}

Status ListenSsh(Options& options, SshServer& ssh) {
  if (options.sshText.empty()) return Status();
  const Result<sockaddr_in> at = ParseEndpoint(options.sshText, options.anyAddress);
  if (!at.ok()) return at.status();
  options.sshSetup.address = options.sshText.substr(0, options.sshText.rfind(':'));
  options.sshSetup.port = ntohs(at.value().sin_port);
  options.sshSetup.newKeyAfterFirst = options.setup.faults.newHostKey;
  return ssh.Listen(options.sshSetup);
}

// snmpsim hides behind the relay, which alone knows the community, on a port
// of its own: the relay's address, empty when no SNMP was asked.
Result<std::string> StartSnmp(const Options& options, SnmpService& snmp, UdpRelay& relay) {
  if (options.snmpText.empty()) return std::string();
  const Result<sockaddr_in> at = ParseEndpoint(options.snmpText, options.anyAddress);
  if (!at.ok()) return at.status();
  SnmpServiceSetup snmpSetup;
  snmpSetup.captureDir = options.captureDir;
  snmpSetup.address = options.snmpText.substr(0, options.snmpText.rfind(':'));
  snmpSetup.port = 0;
  snmpSetup.community = Env("ERX_COMMUNITY", "public");
  snmpSetup.v3User = options.snmpV3User;
  snmpSetup.authKey = Env("ERX_SNMP_AUTH_KEY");
  snmpSetup.privKey = Env("ERX_SNMP_PRIV_KEY");
  std::vector<std::string> warnings;
  const Status started = snmp.Start(snmpSetup, warnings);
  for (const std::string& warning : warnings) std::cerr << "erx-simulator: " << warning << "\n";
  if (!started.ok()) return started;
  UdpRelaySetup relaySetup;
  relaySetup.address = snmpSetup.address;
  relaySetup.port = ntohs(at.value().sin_port);
  relaySetup.serverPort = snmp.Port();
  relaySetup.holdMs = options.setup.faults.latencyMs;
  relaySetup.endlessTable = options.setup.faults.endlessTable;
  relaySetup.communities = snmp.Communities();
  if (Status relayed = relay.Start(relaySetup); !relayed.ok()) return relayed;
  return snmpSetup.address + ":" + std::to_string(relay.Port());
}

void StopOnSignals() {
  signal(SIGPIPE, SIG_IGN);
  struct sigaction stop {};
  stop.sa_handler = RequestStop;
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
}

// Accepts clients on the Telnet listener (-1: none) and the SSH server (null:
// none), each served in a session of its own, until a stop is asked.
void ServeUntilStopped(int listener, SshServer* ssh, const RouterSetup& setup) {
  Sessions sessions;
  while (!stopRequested) {
    pollfd wait[2] = {{listener, POLLIN, 0}, {ssh ? ssh->Fd() : -1, POLLIN, 0}};
    if (poll(wait, 2, 200) <= 0) continue;
    if (wait[1].revents & POLLIN) {
      if (ssh_session_struct* client = ssh->Accept()) {
        std::cout << "connection" << std::endl;
        sessions.Start(SshSessionFd(client), [client, &setup, ssh] {
          ServeSshClient(client, setup, ssh->AuthorizedKeys());
        });
      }
    }
    if (!(wait[0].revents & POLLIN)) continue;
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    // Replies go out line by line; each must leave at once, not after the client's delayed ack.
    const int noDelay = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    std::cout << "connection" << std::endl;
    sessions.Start(client, [client, &setup] {
      RouterSession(std::make_unique<TelnetLink>(client), setup).Serve();
    });
  }
  sessions.StopAll();
}

int Run(int argc, char** argv) {
  CLI::App app{"Serves a captured Unisphere ERX router over Telnet and SNMP."};
  app.set_version_flag("--version", version::Line(kProgram), "print the version and exit");
  Options options;
  DefineOptions(app, options);
  if (std::optional<int> status = ParseCommandLine(app, argc, argv, kProgram)) return *status;
  if (Status checked = CheckOptions(app, options); !checked.ok()) return Fail(checked.message());
  CliCapture capture;
  if (Status read = ReadCapture(options.captureDir).Into(capture); !read.ok()) {
    return Fail(read.message());
  }
  RouterSetup& setup = options.setup;
  setup.capture = &capture;
  setup.password = Env("ERX_PASSWORD");
  setup.enablePassword = Env("ERX_ENABLE_PASSWORD");

  TelnetListener telnet;
  if (Status listening = ListenTelnet(options).Into(telnet); !listening.ok()) {
    return Fail(listening.message());
  }
  const int listener = telnet.fd;
  const sockaddr_in& telnetAt = telnet.at;
  SshServer ssh;
  if (Status listening = ListenSsh(options, ssh); !listening.ok()) return Fail(listening.message());
  StopOnSignals();
  SnmpService snmp;
  UdpRelay relay;
  std::string snmpShown;
  if (Status started = StartSnmp(options, snmp, relay).Into(snmpShown); !started.ok()) {
    return Fail(started.message());
  }

  if (listener >= 0) {
    char address[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &telnetAt.sin_addr, address, sizeof address);
    std::cout << "telnet " << address << ":" << ntohs(telnetAt.sin_port) << "\n";
  }
  if (!options.sshText.empty()) {
    std::cout << "ssh " << options.sshSetup.address << ":" << ssh.Port() << "\n";
  }
  if (!snmpShown.empty()) std::cout << "snmp " << snmpShown << "\n";
  std::cout << "ready" << std::endl;

  ServeUntilStopped(listener, options.sshText.empty() ? nullptr : &ssh, setup);
  if (listener >= 0) close(listener);
  relay.Stop();
  snmp.Stop();
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    // Only allocation or the command-line library's definitions can throw here.
    return Fail(e.what());
  }
}
