#include "discovery/ForwardingReplies.h"

#include "captures/CliCapture.h"
#include "readers/LabelTable.h"

CKelAtomVector* ForwardingReplies::RunCommands(CKelRecord* device,
                                               const std::vector<std::string>& commands) {
  static const std::string kSwitch = "virtual-router ";
  CKelAtomVector* replies = inner_.RunCommands(device, commands);
  if (!replies) return nullptr;
  std::string vr = "default";
  for (size_t i = 0; i < commands.size() && static_cast<int>(i) < replies->RAVSize(); ++i) {
    const std::string command = CollapsedCommand(commands[i]);
    if (command.compare(0, kSwitch.size(), kSwitch) == 0) {
      vr = command.substr(kSwitch.size());
      continue;
    }
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
