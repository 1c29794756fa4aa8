// A device discovered offline: the requester's transport answers from a folder
// of captured output instead of a live router.
//
//   DIR/cli.log            the captured CLI session (see CliCapture.h)
//   DIR/snmp.walk          `snmpwalk -On` of the device without context
//   DIR/snmp/CONTEXT.walk  one walk per SNMP context, named without its "@":
//                          snmp/vr1.walk for "@vr1", snmp/vr1:red.walk for "@vr1:red"
//
//   ReplayTransport device;
//   if (Status loaded = device.Load(dir); !loaded.ok()) ...;
//   agent->DAGetRequester()->DSRSetTransport(&device);
#ifndef TRANSPORTS_REPLAYTRANSPORT_H_
#define TRANSPORTS_REPLAYTRANSPORT_H_

#include <map>
#include <string>
#include <vector>

#include "captures/CliCapture.h"
#include "captures/SnmpWalkFile.h"
#include "host/PelkRequester.h"
#include "status/Status.h"
#include "transports/TransportHealth.h"

class ReplayTransport : public CPelkRequestTransport {
 public:
  // A failure, saying what and where, when the folder or its cli.log cannot
  // be read. Unreadable walk lines only add warnings.
  Status Load(const std::string& dir);

  // The host name of the capture's prompts, or the folder's name.
  const std::string& DeviceName() const { return name_; }
  // "FILE:LINE: ..." for every captured line that could not be read.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // What the capture answered of what discovery asked: a command it lacks
  // counts as refused (a router's refusal is not captured either), a context
  // without a walk file as silent.
  const TransportHealth& Health() const { return health_; }

  // Each session starts in virtual router "default" and follows the
  // "virtual-router NAME" commands in it. A command the capture lacks gets an
  // atom without text.
  CKelAtomVector* RunCommands(CKelRecord* device,
                              const std::vector<std::string>& commands) override;
  // Rows of the context's walk file for that column ("" is snmp.walk); null
  // when the file or the column is missing. INTEGER values are int atoms.
  CKelDoubleList* Walk(CKelRecord* device, const char* variable,
                       const std::string& context) override;
  // Drops the captured CLI replies: a command run afterwards is refused.
  void ForgetReplies() override { cli_.replies = {}; }

 private:
  void LoadWalk(const std::string& path, const std::string& context);

  std::string name_;
  CliCapture cli_;
  std::map<std::string, WalkColumns> walks_;  // by SNMP context
  std::vector<std::string> warnings_;
  TransportHealth health_;
};

#endif  // TRANSPORTS_REPLAYTRANSPORT_H_
