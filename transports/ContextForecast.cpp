#include "transports/ContextForecast.h"

#include "readers/VirtualRouterTables.h"

ContextKind KindOfContext(const std::string& context) {
  if (context.empty()) return ContextKind::kDevice;
  return context.find(':') == std::string::npos ? ContextKind::kVirtualRouter : ContextKind::kVrf;
}

void ContextForecast::NoteAnswer(const std::string& command, std::string_view reply) {
  if (follower_.Follow(command)) {
    Note("@" + follower_.Router());
    return;
  }
  const std::string vrfOf = "@" + follower_.Router() + ":";
  if (command == "show virtual-router") {
    for (const std::string& name : VirtualRoutersOf(reply)) Note("@" + name);
    return;
  }
  if (command == "show ip vrf") {
    for (const std::string& name : VrfsOf(reply)) Note(vrfOf + name);
    return;
  }
  const size_t vrf = command.find(" vrf ");
  if (vrf == std::string::npos) return;
  const size_t from = vrf + 5, to = command.find(' ', from);
  const std::string name = command.substr(from, to == std::string::npos ? to : to - from);
  if (!name.empty()) Note(vrfOf + name);
}

void ContextForecast::Note(const std::string& context) {
  if (at_.emplace(context, named_.size()).second) named_.push_back(context);
}

std::vector<std::string> ContextForecast::After(const std::string& context, size_t count) const {
  std::vector<std::string> after;
  auto at = at_.find(context);
  if (at == at_.end()) return after;
  const ContextKind kind = KindOfContext(context);
  for (size_t i = at->second + 1; i < named_.size() && after.size() < count; ++i) {
    if (KindOfContext(named_[i]) == kind) after.push_back(named_[i]);
  }
  return after;
}
