#include "discovery/DeviceHealth.h"

#include <vector>

namespace {

std::string Count(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Joined(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : ", ") + item;
  return joined;
}

// Sentences of what did not answer: `fatal` when nothing of a source did.
struct Findings {
  std::vector<std::string> fatal, losses;
};

void CliFindings(const TransportHealth& t, Findings& found) {
  if (t.capture && !t.cli.holdsCommands) {
    found.fatal.push_back("the capture " + t.cli.source + " holds no command");
    return;
  }
  const std::string where =
      t.capture ? "the capture " + t.cli.source : "the CLI at " + t.cli.source;
  // A router that refuses some commands still answers the others; one that
  // answers none is not being discovered at all.
  if (t.cli.sent + t.cli.notSent > 0 && t.cli.answered == 0) {
    std::vector<std::string> how;
    if (t.cli.timedOut) how.push_back(std::to_string(t.cli.timedOut) + " timed out");
    if (t.cli.cutOff)
      how.push_back(std::to_string(t.cli.cutOff) + " cut off by a dropped connection");
    if (t.cli.refused) how.push_back(std::to_string(t.cli.refused) + " refused");
    if (t.cli.notSent) how.push_back(std::to_string(t.cli.notSent) + " not sent");
    found.fatal.push_back(where + " answered none of the " +
                          Count(t.cli.sent + t.cli.notSent, "command", "commands") +
                          " of the discovery" + (how.empty() ? "" : " (" + Joined(how) + ")"));
    if (t.cli.notSent) found.losses.push_back("the rest was not sent: " + t.whyNotSent);
    return;
  }
  if (t.cli.timedOut) {
    found.losses.push_back(where + " gave no reply within the timeout to " +
                           Count(t.cli.timedOut, "command", "commands") + " (first: \"" +
                           t.cli.first.timedOut + "\")");
  }
  if (t.cli.cutOff) {
    found.losses.push_back(where + " dropped the connection during " +
                           Count(t.cli.cutOff, "command", "commands") + " (first: \"" +
                           t.cli.first.cutOff + "\")");
  }
  if (t.cli.repliesCutShort) {
    found.losses.push_back(where + " went on after a line like its prompt in " +
                           Count(t.cli.repliesCutShort, "reply", "replies") +
                           "; the rest was dropped (first: \"" + t.cli.first.cutShort + "\")");
  }
  if (t.cli.notSent) {
    found.losses.push_back(Count(t.cli.notSent, "command was", "commands were") + " not sent to " +
                           t.cli.source + ": " + t.whyNotSent);
  }
}

void SnmpFindings(const TransportHealth& t, Findings& found) {
  const std::string where = t.capture ? "the capture " + t.snmp.source : "SNMP at " + t.snmp.source;
  if (t.snmp.contextsAnswered.empty() && !t.snmp.contextsSilent.empty()) {
    found.fatal.push_back(where + (t.capture ? " holds no walk" : " did not answer") + " (" +
                          Count(t.snmp.walksUnanswered, "walk", "walks") + " asked)");
    return;
  }
  if (!t.snmp.contextsSilent.empty()) {
    std::vector<std::string> names;
    for (const std::string& context : t.snmp.contextsSilent) {
      names.push_back(context.empty() ? "without context" : context);
    }
    found.losses.push_back(where + (t.capture ? " holds no walk of " : " did not answer in ") +
                           (names.size() == 1 ? "context " : "contexts ") + Joined(names) + " (" +
                           Count(t.snmp.walksUnanswered, "walk", "walks") + " lost)");
  }
  for (const std::string& cut : t.snmp.cutWalks) found.losses.push_back(cut);
  if (t.snmp.walksNotAsked) {
    found.losses.push_back(Count(t.snmp.walksNotAsked, "walk was", "walks were") +
                           " not asked of " + t.snmp.source + ": " + t.whyNotSent);
  }
}

}  // namespace

report::Health AssessHealth(const TransportHealth& t) {
  report::Health health;
  health.cliSource = t.cli.source;
  health.commandsSent = t.cli.sent;
  health.commandsAnswered = t.cli.answered;
  health.commandsRefused = t.cli.refused;
  health.commandsTimedOut = t.cli.timedOut;
  health.commandsCutOff = t.cli.cutOff;
  health.commandsNotSent = t.cli.notSent;
  health.reconnections = t.cli.reconnections;
  health.typeAheadLostAt = t.cli.typeAheadLostAt;
  health.snmpSource = t.snmp.source;
  health.walksAnswered = t.snmp.walksAnswered;
  health.walksUnanswered = t.snmp.walksUnanswered;
  health.silentContexts.assign(t.snmp.contextsSilent.begin(), t.snmp.contextsSilent.end());

  Findings found;
  CliFindings(t, found);
  SnmpFindings(t, found);
  health.status = !found.fatal.empty()   ? report::HealthStatus::kFailed
                  : found.losses.empty() ? report::HealthStatus::kOk
                                         : report::HealthStatus::kPartial;
  health.problems = found.fatal;
  health.problems.insert(health.problems.end(), found.losses.begin(), found.losses.end());
  return health;
}

std::string HealthLine(const report::Health& health) {
  if (health.problems.empty()) return "";
  std::string line = HealthStatusName(health.status) + (": " + health.problems.front());
  if (health.problems.size() > 1) {
    line += " (and " +
            Count(static_cast<int>(health.problems.size()) - 1, "more problem", "more problems") +
            " in the report's health)";
  }
  return line;
}
