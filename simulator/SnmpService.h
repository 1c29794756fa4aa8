// The SNMP side of the simulated router: snmpsim serving the capture's walks.
//
// The data folder gets COMMUNITY.snmprec for snmp.walk and
// COMMUNITY@CONTEXT.snmprec per snmp/CONTEXT.walk (SNMPv2c selects a file by
// community); with an SNMPv3 user also CONTEXT.snmprec (SNMPv3 selects it by
// context name) and, for requests without context, 1.3.6.1.6.1.1.0.snmprec:
// snmpsim falls back to a file named for the UDP transport domain and endpoint.
// The keys reach snmpsim in a private argument file, not on its command line.
#ifndef SIMULATOR_SNMPSERVICE_H_
#define SIMULATOR_SNMPSERVICE_H_

#include <string>
#include <sys/types.h>
#include <vector>

struct SnmpServiceSetup {
  std::string captureDir;
  std::string address = "127.0.0.1";
  int port = 0;
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

  // Writes the data, starts snmpsim and waits until it answers. False with
  // `problem` set; `warnings` gets walk lines that are not served.
  bool Start(const SnmpServiceSetup& setup, std::string& problem, std::vector<std::string>& warnings);
  // Stops snmpsim and removes its files.
  void Stop();

 private:
  bool WriteData(const SnmpServiceSetup& setup, std::string& problem, std::vector<std::string>& warnings);
  bool Answers(const SnmpServiceSetup& setup) const;
  void StartWatchdog();

  pid_t pid_ = -1;
  // A child that outlives us by a moment: when we die without Stop() (even
  // by SIGKILL), our end of its pipe closes and it kills snmpsim's process
  // group and removes the files. The parent-death signal cannot do this:
  // snmpsim dropping to another user clears it.
  pid_t watchdog_ = -1;
  int watchdogPipe_ = -1;
  std::string dataDir_, cacheDir_, argsFile_;
};

#endif  // SIMULATOR_SNMPSERVICE_H_
