// Network test harness: a simulated router on 127.0.0.1 with free ports, and
// erx-discover run against it, each a child process with bounded waits.
//
//   SimulatedRouter router;
//   ASSERT_TRUE(router.Start(kDevices + "pe1-erx", {"--user", "admin"}, env));
//   DiscoverRun run = RunDiscover({"--host", "127.0.0.1", "--telnet-port", router.TelnetPort()},
//   env);
#ifndef TESTS_LIVE_LIVEHARNESS_H_
#define TESTS_LIVE_LIVEHARNESS_H_

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

using Variables = std::map<std::string, std::string>;

// Forks and execs `program`; the child's standard output and error go to
// `outFd` and `errFd`, its environment is `environment` alone (and the
// sanitizers' options).
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const Variables& environment, int outFd, int errFd);
// Waits for `pid` at most `limit`; kills it past that. Its exit status, or -1;
// `peakKiB` gets its largest resident size.
int Reap(pid_t pid, std::chrono::milliseconds limit, long* peakKiB = nullptr);

// A port on 127.0.0.1 that nothing listens on at the moment: only for a port
// that must not answer, never for a server to bind later.
int FreePort(int type);

class SimulatedRouter {
 public:
  SimulatedRouter() = default;
  // Shows what it wrote on standard error when the test failed.
  ~SimulatedRouter();
  SimulatedRouter(const SimulatedRouter&) = delete;
  SimulatedRouter& operator=(const SimulatedRouter&) = delete;

  // Starts erx-simulator on `device` with `arguments`, every port its own pick
  // (port 0); with `snmp` also SNMP (without, SnmpPort() is one that nothing
  // answers on). True once it says it is ready (at most 30 s); else its
  // standard error is shown.
  bool Start(const std::string& device, const std::vector<std::string>& arguments,
             const Variables& environment, bool snmp = true);
  // Stops it (and its snmpsim) and returns everything it printed.
  std::string Stop();
  // What it wrote on standard error so far.
  std::string Errors() const { return logs_.Read("stderr"); }
  // Its exit status once stopped: 0 when it stopped cleanly.
  int ExitStatus() const { return exitStatus_; }
  pid_t Pid() const { return pid_; }
  std::string TelnetPort() const { return std::to_string(telnetPort_); }
  // The one the simulator printed, when it printed one (given "--snmp",
  // "127.0.0.1:0" among `arguments` and `snmp` false).
  std::string SnmpPort() const { return std::to_string(snmpPort_); }
  // When started with "--ssh", "127.0.0.1:0".
  std::string SshPort() const { return std::to_string(sshPort_); }

 private:
  void ShowErrors(const std::string& why);

  TempFolder logs_;
  bool errorsShown_ = false;
  pid_t pid_ = -1;
  int output_ = -1;
  std::string printed_;
  int telnetPort_ = 0, snmpPort_ = 0, sshPort_ = 0;
  int exitStatus_ = -1;
};

struct DiscoverRun {
  int status = -1;  // exit status; -1 when it had to be killed
  std::string out, err;
  double seconds = 0;
  long peakKiB = 0;  // its largest resident size
};

// Runs `program` with `arguments` and only `environment` to its end (killed
// past `limit`), its output kept.
DiscoverRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const Variables& environment, std::chrono::seconds limit);
// erx-discover, at most 120 s.
DiscoverRun RunDiscover(const std::vector<std::string>& arguments, const Variables& environment);

#endif  // TESTS_LIVE_LIVEHARNESS_H_
