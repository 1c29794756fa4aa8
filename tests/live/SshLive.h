// What the SSH network tests share: a simulated router that also serves SSH,
// with a known-hosts file of its own, and shell commands (ssh-keygen, ssh)
// run with bounded waits.
#ifndef TESTS_LIVE_SSHLIVE_H_
#define TESTS_LIVE_SSHLIVE_H_

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command line with `environment` and PATH; its standard output.
inline DiscoverRun Shell(const std::string& line, Variables environment) {
  TempFolder io;
  environment["PATH"] = "/usr/bin:/bin";
  const int out = open((io.Path() + "/out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  const int err = open((io.Path() + "/err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  const pid_t pid = Spawn("/bin/sh", {"-c", line}, environment, out, err);
  close(out);
  close(err);
  DiscoverRun run;
  run.status = Reap(pid, std::chrono::seconds(60));
  run.out = io.Read("out");
  run.err = io.Read("err");
  return run;
}

// Every value of `secrets` (Secrets() unless told) is absent from `text`.
inline void ExpectNoSecretIn(const std::string& text, const std::string& where,
                             const Variables& secrets = Secrets()) {
  for (const auto& secret : secrets) {
    EXPECT_EQ(text.find(secret.second), std::string::npos) << secret.first << " in " << where;
  }
}

#endif  // TESTS_LIVE_SSHLIVE_H_
