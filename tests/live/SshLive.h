// What the SSH network tests share: a simulated router that also serves SSH,
// with a known-hosts file of its own, and shell commands (ssh-keygen, ssh)
// run with bounded waits.
#ifndef TESTS_LIVE_SSHLIVE_H_
#define TESTS_LIVE_SSHLIVE_H_

#include <string>
#include <vector>

#include "tests/live/LiveReports.h"

// A simulated router that also serves SSH, with its host key and a
// known-hosts file of our own (never the user's).
class SshRouter {
 public:
  bool Start(const std::string& device, std::vector<std::string> extra = {}, bool snmp = true) {
    std::vector<std::string> arguments = {"--user",      "admin",          "--ssh",
                                          "127.0.0.1:0", "--ssh-host-key", HostKey()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return router_.Start(device, arguments, Secrets(), snmp);
  }
  std::string HostKey() const { return folder_.Path() + "/host_key"; }
  std::string KnownHosts() const { return folder_.Path() + "/known_hosts"; }
  std::string Entry() const { return "[127.0.0.1]:" + router_.SshPort(); }
  const SimulatedRouter& Router() const { return router_; }

  // erx-discover's arguments for this router over SSH, then `extra`.
  std::vector<std::string> Arguments(const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> arguments = LiveArguments(
        router_, {"--ssh", "--ssh-port", router_.SshPort(), "--known-hosts", KnownHosts()}, "10");
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

 private:
  TempFolder folder_;
  SimulatedRouter router_;
};

// Runs a shell command line with `environment` (at most 60 s).
inline DiscoverRun Shell(const std::string& line, const Variables& environment) {
  return RunChild("/bin/sh", {"-c", line}, environment, std::chrono::seconds(60));
}

#endif  // TESTS_LIVE_SSHLIVE_H_
