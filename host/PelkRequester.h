// The host's requester: runs CLI commands and SNMP walks on a device. How it
// reaches the device is a pluggable transport: scripted in tests, a captured
// device folder in the runner, a live session later.
#ifndef HOST_PELKREQUESTER_H_
#define HOST_PELKREQUESTER_H_

#include <string>
#include <vector>

#include "host/KelBase.h"

class CPelkRequestTransport {
 public:
  virtual ~CPelkRequestTransport() = default;
  // Runs `commands` in order in one CLI session on the device. Returns a new
  // vector with one atom per command (an atom without text where the device
  // gave no reply), or null when the session failed.
  virtual CKelAtomVector* RunCommands(CKelRecord* device,
                                      const std::vector<std::string>& commands) = 0;
  // Walks one column by name ("ifDescr") in an SNMP context ("" for none,
  // "@vr1", "@vr1:red"). Returns a new list of CKelSnmpVarOp, or null.
  virtual CKelDoubleList* Walk(CKelRecord* device, const char* variable,
                               const std::string& context) = 0;
  // The agent's pass is over and no more commands will be run: what the
  // transport keeps of the device's replies may go (a capture's run to
  // megabytes on a large router). Walks still answer.
  virtual void ForgetReplies() {}
};

class CPelkStdRequester {
 public:
  CPelkStdRequester() = default;
  CPelkStdRequester(const CPelkStdRequester&) = delete;
  CPelkStdRequester& operator=(const CPelkStdRequester&) = delete;
  virtual ~CPelkStdRequester() = default;

  // The transport stays the caller's; null detaches it.
  void DSRSetTransport(CPelkRequestTransport* transport) { transport_ = transport; }
  CPelkRequestTransport* DSRTransport() const { return transport_; }

  // Takes over `commands` (deleting it). Returns a new vector holding one
  // string atom per command, in order, owned by the caller; or null.
  virtual CKelAtomVector* DSRGetTELNET(CKelRecord* device, CKelAtomVector* commands);
  // Returns a new list of CKelSnmpVarOp owned by the caller, or null.
  virtual CKelDoubleList* DSRSnmpGetNext(CKelRecord* device, const char* variable,
                                         const char* unused, const char* context);

 private:
  CPelkRequestTransport* transport_ = nullptr;
};

#endif  // HOST_PELKREQUESTER_H_
