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
  if (t.capture && !t.cliHoldsCommands) {
    found.fatal.push_back("the capture " + t.cliSource + " holds no command");
    return;
  }
  const std::string where = t.capture ? "the capture " + t.cliSource : "the CLI at " + t.cliSource;
  // A router that refuses some commands still answers the others; one that
  // answers none is not being discovered at all.
  if (t.sent + t.notSent > 0 && t.answered == 0) {
    std::vector<std::string> how;
    if (t.timedOut) how.push_back(std::to_string(t.timedOut) + " timed out");
    if (t.cutOff) how.push_back(std::to_string(t.cutOff) + " cut off by a dropped connection");
    if (t.refused) how.push_back(std::to_string(t.refused) + " refused");
    if (t.notSent) how.push_back(std::to_string(t.notSent) + " not sent");
    found.fatal.push_back(where + " answered none of the " +
                          Count(t.sent + t.notSent, "command", "commands") + " of the discovery" +
                          (how.empty() ? "" : " (" + Joined(how) + ")"));
    if (t.notSent) found.losses.push_back("the rest was not sent: " + t.whyNotSent);
    return;
  }
  if (t.timedOut) {
    found.losses.push_back(where + " gave no reply within the timeout to " +
                           Count(t.timedOut, "command", "commands") + " (first: \"" +
                           t.firstTimedOut + "\")");
  }
  if (t.cutOff) {
    found.losses.push_back(where + " dropped the connection during " +
                           Count(t.cutOff, "command", "commands") + " (first: \"" + t.firstCutOff +
                           "\")");
  }
  if (t.repliesCutShort) {
    found.losses.push_back(where + " went on after a line like its prompt in " +
                           Count(t.repliesCutShort, "reply", "replies") +
                           "; the rest was dropped (first: \"" + t.firstCutShort + "\")");
  }
  if (t.notSent) {
    found.losses.push_back(Count(t.notSent, "command was", "commands were") + " not sent to " +
                           t.cliSource + ": " + t.whyNotSent);
  }
}

void SnmpFindings(const TransportHealth& t, Findings& found) {
  const std::string where = t.capture ? "the capture " + t.snmpSource : "SNMP at " + t.snmpSource;
  if (t.contextsAnswered.empty() && !t.contextsSilent.empty()) {
    found.fatal.push_back(where + (t.capture ? " holds no walk" : " did not answer") + " (" +
                          Count(t.walksUnanswered, "walk", "walks") + " asked)");
    return;
  }
  if (!t.contextsSilent.empty()) {
    std::vector<std::string> names;
    for (const std::string& context : t.contextsSilent) {
      names.push_back(context.empty() ? "without context" : context);
    }
    found.losses.push_back(where + (t.capture ? " holds no walk of " : " did not answer in ") +
                           (names.size() == 1 ? "context " : "contexts ") + Joined(names) + " (" +
                           Count(t.walksUnanswered, "walk", "walks") + " lost)");
  }
  for (const std::string& cut : t.cutWalks) found.losses.push_back(cut);
  if (t.walksNotAsked) {
    found.losses.push_back(Count(t.walksNotAsked, "walk was", "walks were") + " not asked of " +
                           t.snmpSource + ": " + t.whyNotSent);
  }
}

}  // namespace

report::Health AssessHealth(const TransportHealth& t) {
  report::Health health;
  health.cliSource = t.cliSource;
  health.commandsSent = t.sent;
  health.commandsAnswered = t.answered;
  health.commandsRefused = t.refused;
  health.commandsTimedOut = t.timedOut;
  health.commandsCutOff = t.cutOff;
  health.commandsNotSent = t.notSent;
  health.reconnections = t.reconnections;
  health.typeAheadLostAt = t.typeAheadLostAt;
  health.snmpSource = t.snmpSource;
  health.walksAnswered = t.walksAnswered;
  health.walksUnanswered = t.walksUnanswered;
  health.silentContexts.assign(t.contextsSilent.begin(), t.contextsSilent.end());

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
