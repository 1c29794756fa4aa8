#include "discovery/ForwardingReplies.h"

#include "captures/CliCapture.h"
#include "readers/LabelTable.h"
#include "readers/VirtualRouterCommand.h"

CKelAtomVector* ForwardingReplies::RunCommands(CKelRecord* device,
                                               const std::vector<std::string>& commands) {
  CKelAtomVector* replies = inner_.RunCommands(device, commands);
  if (!replies) return nullptr;
  VirtualRouterFollower follower;
  for (size_t i = 0; i < commands.size() && static_cast<int>(i) < replies->RAVSize(); ++i) {
    if (follower.Follow(commands[i])) continue;
    const std::string& vr = follower.Router();
    const std::string command = CollapsedCommand(commands[i]);
    const CKelAtom* reply = replies->RAVGetValue(static_cast<int>(i));
    if (command != "show mpls forwarding brief" || !reply || !reply->RAString()) continue;
    // Only this layout is copied: the other runs to megabytes on a large router.
    if (!IsLabelTable(reply->RAString())) continue;
    auto known = tables_.begin();
    while (known != tables_.end() && known->first != vr) ++known;
    if (known == tables_.end()) {
      tables_.emplace_back(vr, reply->RAString());
    } else {
      known->second = reply->RAString();
    }
  }
  return replies;
}
