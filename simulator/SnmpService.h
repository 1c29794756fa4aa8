// The SNMP side of the simulated router: snmpsim serving the capture's walks.
//
// SNMPv2c selects a file by community. The community is no file's name: each
// of snmp.walk and snmp/CONTEXT.walk gets a name of its own drawn at random
// (Communities() maps "COMMUNITY" and "COMMUNITY@CONTEXT" to them), and the
// relay in front of snmpsim swaps one for the other. With an SNMPv3 user the
// folder also gets CONTEXT.snmprec (SNMPv3 selects it by context name, no
// secret) and, for requests without context, 1.3.6.1.6.1.1.0.snmprec: snmpsim
// falls back to a file named for the UDP transport domain and endpoint.
// The keys reach snmpsim in a private argument file, not on its command line.
#ifndef SIMULATOR_SNMPSERVICE_H_
#define SIMULATOR_SNMPSERVICE_H_

#include <sys/types.h>
#include <map>
#include <string>
#include <vector>

#include "status/Status.h"

struct SnmpServiceSetup {
  std::string captureDir;
  std::string address = "127.0.0.1";
  int port = 0;  // 0: a free one
  std::string community = "public";
  std::string v3User;  // empty: SNMPv2c only
  std::string authKey, privKey;
  int readyTimeoutMs = 20000;
};

class SnmpService {
 public:
  SnmpService() = default;
  ~SnmpService() { Stop(); }
  SnmpService(const SnmpService&) = delete;
  SnmpService& operator=(const SnmpService&) = delete;

  // Writes the data, starts snmpsim and waits until it answers; `warnings`
  // gets walk lines that are not served.
  Status Start(const SnmpServiceSetup& setup, std::vector<std::string>& warnings);
  // Where snmpsim listens, once started.
  int Port() const { return port_; }
  // Stops snmpsim and removes its files.
  void Stop();
  // The community a client gives -> the one snmpsim knows; once started.
  const std::map<std::string, std::string>& Communities() const { return communities_; }

 private:
  // `exited`: snmpsim ended by itself before it answered.
  Status StartAt(const SnmpServiceSetup& setup, std::vector<std::string>& warnings, bool& exited);
  Status WriteData(const SnmpServiceSetup& setup, std::vector<std::string>& warnings);
  bool Answers(const SnmpServiceSetup& setup) const;  // at snmpsim itself
  void StartWatchdog();

  pid_t pid_ = -1;
  int port_ = 0;
  // A child that outlives us by a moment: when we die without Stop() (even
  // by SIGKILL), our end of its pipe closes and it kills snmpsim's process
  // group and removes the files. The parent-death signal cannot do this:
  // snmpsim dropping to another user clears it.
  pid_t watchdog_ = -1;
  int watchdogPipe_ = -1;
  std::string dataDir_, cacheDir_, argsFile_;
  std::map<std::string, std::string> communities_;
};

#endif  // SIMULATOR_SNMPSERVICE_H_
