#include "discovery/AgentWarnings.h"

namespace {

const char kAgentClass[] = "CPelkUnisphereMPLSTelnet::";

// The arguments of an entry trace "Class::Operation(a,b,c)", split at commas.
std::vector<std::string> Arguments(const std::string& text) {
  std::vector<std::string> arguments;
  const size_t open = text.find('(');
  const size_t close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return arguments;
  std::string argument;
  for (size_t i = open + 1; i < close; ++i) {
    if (text[i] == ',') {
      arguments.push_back(argument);
      argument.clear();
    } else {
      argument += text[i];
    }
  }
  arguments.push_back(argument);
  return arguments;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

void AgentWarnings::OnTraceLine(int level, const std::string& text) {
  try {
    if (level == 1) {
      warnings_.push_back({text, virtualRouter_, vrf_});
      return;
    }
    if (level != 3) return;
    // The agent's entry traces: per virtual router "(,,,vr)" or "(,,vr)", per
    // VRF GetLabels "(,,vrf,vr)"; any other operation of the agent leaves
    // both unknown.
    if (!StartsWith(text, kAgentClass)) return;
    const std::string operation = text.substr(sizeof kAgentClass - 1);
    const std::vector<std::string> arguments = Arguments(operation);
    const bool perVirtualRouter = StartsWith(operation, "GenerateIfDescrToIfIndexTL(") ||
                                  StartsWith(operation, "GetMajorIfNameAndIp(") ||
                                  StartsWith(operation, "ObtainInterfaceTableIfDescr(") ||
                                  StartsWith(operation, "ObtainLabelData(") ||
                                  StartsWith(operation, "ObtainVRFData(");
    if (perVirtualRouter && !arguments.empty()) {
      virtualRouter_ = arguments.back();
      vrf_.clear();
    } else if (StartsWith(operation, "GetLabels(") && arguments.size() == 4) {
      virtualRouter_ = arguments[3];
      vrf_ = arguments[2];
    } else {
      virtualRouter_.clear();
      vrf_.clear();
    }
  } catch (...) {
  }
}
