// The agent's level-1 messages (what it skipped and why), collected whatever
// the debug level, each with the virtual router and VRF it concerns where the
// agent's own entry traces tell them.
//
//   AgentWarnings warnings;
//   {
//     KelScopedTraceListener listening(warnings, AgentWarnings::kWithContext);
//     agent->DADoMediationLayer(&record);
//   }
#ifndef DISCOVERY_AGENTWARNINGS_H_
#define DISCOVERY_AGENTWARNINGS_H_

#include <string>
#include <vector>

#include "host/KelTrace.h"

struct AgentWarning {
  std::string text;
  std::string virtualRouter;  // empty when not known
  std::string vrf;            // empty when not known or not in a VRF
};

class AgentWarnings : public KelTraceListener {
 public:
  // Levels to listen to: the messages, and the entry traces that name the
  // virtual router and VRF being worked on (level 3, a few per VRF).
  static constexpr unsigned kMessages = 1u << 1;
  static constexpr unsigned kWithContext = kMessages | 1u << 3;

  void OnTraceLine(int level, const std::string& text) override;
  // For messages written outside the agent's per-router work.
  void ForgetContext() {
    virtualRouter_.clear();
    vrf_.clear();
  }
  const std::vector<AgentWarning>& Warnings() const { return warnings_; }

 private:
  std::vector<AgentWarning> warnings_;
  std::string virtualRouter_;
  std::string vrf_;
};

#endif  // DISCOVERY_AGENTWARNINGS_H_
