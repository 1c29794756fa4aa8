// What a device's sources answered during one discovery, tallied by the
// transport that reached them: the CLI's commands and the SNMP walks. Whether
// that makes the device ok is decided above (discovery/DeviceHealth.h).
#ifndef TRANSPORTS_TRANSPORTHEALTH_H_
#define TRANSPORTS_TRANSPORTHEALTH_H_

#include <set>
#include <string>
#include <vector>

struct TransportHealth {
  bool capture = false;          // a captured device: "answered" means "captured"
  std::string cliSource;         // "127.0.0.1:23" or "DIR/cli.log"
  std::string snmpSource;        // "127.0.0.1:161" or the capture folder
  bool cliHoldsCommands = true;  // false for a capture without a prompt or a command

  int sent = 0;
  int answered = 0;
  int refused = 0;  // the router printed an error line instead of a reply
  int timedOut = 0;
  int cutOff = 0;  // the connection dropped during the command, twice
  int notSent = 0;
  int repliesCutShort = 0;  // a line like the prompt ended them early; their rest was dropped
  std::string firstTimedOut, firstCutOff, firstCutShort;
  std::string whyNotSent;  // why the rest of the device was not asked
  int reconnections = 0;
  // The command whose reply showed that the router lost or reordered commands
  // typed ahead; from it on they went one at a time. Empty: none was lost.
  std::string typeAheadLostAt;

  int walksAnswered = 0;
  int walksUnanswered = 0;
  int walksNotAsked = 0;  // of the unanswered: past the device's deadline
  std::set<std::string> contextsAnswered, contextsSilent;  // "" is the device itself
  std::vector<std::string> cutWalks;  // "the walk of ifDescr in @vr1 ran past 64 MiB"

  // Adds the CLI tallies of another session of the same device; the first
  // command of each kind stays the one counted first here.
  void AddCli(const TransportHealth& other) {
    sent += other.sent;
    answered += other.answered;
    refused += other.refused;
    notSent += other.notSent;
    reconnections += other.reconnections;
    if (other.timedOut && !timedOut) firstTimedOut = other.firstTimedOut;
    timedOut += other.timedOut;
    if (other.cutOff && !cutOff) firstCutOff = other.firstCutOff;
    cutOff += other.cutOff;
    if (other.repliesCutShort && !repliesCutShort) firstCutShort = other.firstCutShort;
    repliesCutShort += other.repliesCutShort;
    if (typeAheadLostAt.empty()) typeAheadLostAt = other.typeAheadLostAt;
  }
};

#endif  // TRANSPORTS_TRANSPORTHEALTH_H_
