// What a device's sources answered during one discovery, tallied by the
// transport that reached them: the CLI's commands and the SNMP walks. Whether
// that makes the device ok is decided above (discovery/DeviceHealth.h).
#ifndef TRANSPORTS_TRANSPORTHEALTH_H_
#define TRANSPORTS_TRANSPORTHEALTH_H_

#include <set>
#include <string>
#include <vector>

// The first command of each kind of loss, which the health's sentences name.
struct FirstLostCommands {
  std::string timedOut, cutOff, cutShort;
};

// What the CLI's commands came to.
struct CliTally {
  std::string source;         // "127.0.0.1:23" or "DIR/cli.log"
  bool holdsCommands = true;  // false for a capture without a prompt or a command
  int sent = 0;
  int answered = 0;
  int refused = 0;  // the router printed an error line instead of a reply
  int timedOut = 0;
  int cutOff = 0;  // the connection dropped during the command, twice
  int notSent = 0;
  int repliesCutShort = 0;  // a line like the prompt ended them early; their rest was dropped
  int reconnections = 0;
  FirstLostCommands first;
  // The command whose reply showed that the router lost or reordered commands
  // typed ahead; from it on they went one at a time. Empty: none was lost.
  std::string typeAheadLostAt;

  // Adds the tallies of another session of the same device; the first
  // command of each kind stays the one counted first here.
  void Add(const CliTally& other) {
    sent += other.sent;
    answered += other.answered;
    refused += other.refused;
    notSent += other.notSent;
    reconnections += other.reconnections;
    if (other.timedOut && !timedOut) first.timedOut = other.first.timedOut;
    timedOut += other.timedOut;
    if (other.cutOff && !cutOff) first.cutOff = other.first.cutOff;
    cutOff += other.cutOff;
    if (other.repliesCutShort && !repliesCutShort) first.cutShort = other.first.cutShort;
    repliesCutShort += other.repliesCutShort;
    if (typeAheadLostAt.empty()) typeAheadLostAt = other.typeAheadLostAt;
  }
};

// What the SNMP walks came to.
struct SnmpTally {
  std::string source;  // "127.0.0.1:161" or the capture folder
  int walksAnswered = 0;
  int walksUnanswered = 0;
  int walksNotAsked = 0;  // of the unanswered: past the device's deadline
  std::set<std::string> contextsAnswered, contextsSilent;  // "" is the device itself
  std::vector<std::string> cutWalks;  // "the walk of ifDescr in @vr1 ran past 64 MiB"
};

struct TransportHealth {
  bool capture = false;  // a captured device: "answered" means "captured"
  CliTally cli;
  SnmpTally snmp;
  std::string whyNotSent;  // why the rest of the device was not asked

  // Adds the CLI tallies of another session of the same device.
  void AddCli(const TransportHealth& other) { cli.Add(other.cli); }
};

#endif  // TRANSPORTS_TRANSPORTHEALTH_H_
