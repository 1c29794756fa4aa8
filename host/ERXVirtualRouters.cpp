// Finding a router's virtual routers and their VRFs; the two tables are read
// in readers/VirtualRouterTables.h.
#include "host/ERXHost.h"
#include "readers/VirtualRouterCommand.h"
#include "readers/VirtualRouterTables.h"

namespace {

std::vector<std::string> Names(const CKelAtom* reply,
                               std::vector<std::string> (*read)(std::string_view)) {
  const char* text = reply ? reply->RAString() : nullptr;
  return read(text ? text : "");
}

}  // namespace

bool ERXFindVirtRtrVRF(CKelRecord* record, CPelkStdRequester* requester,
                       std::vector<std::string>& vrList,
                       std::vector<std::vector<std::string>>& vrfTable) {
  if (!requester) return false;
  auto* ask = new CKelAtomVector(1);
  ask->RAVAddToEnd(new CKelAtom("show virtual-router"));
  CKelAtomVector* reply = requester->DSRGetTELNET(record, ask);
  std::vector<std::string> found;
  if (reply && reply->RAVSize() == 1) found = Names(reply->RAVGetValue(0), VirtualRoutersOf);
  delete reply;
  if (found.empty()) return false;

  auto* commands = new CKelAtomVector(2 * found.size());
  for (const std::string& vr : found) {
    commands->RAVAddToEnd(new CKelAtom(SwitchCommand(vr).c_str()));
    commands->RAVAddToEnd(new CKelAtom("show ip vrf"));
  }
  reply = requester->DSRGetTELNET(record, commands);
  const bool complete = reply && reply->RAVSize() == static_cast<int>(2 * found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    vrList.push_back(found[i]);
    vrfTable.push_back(complete ? Names(reply->RAVGetValue(static_cast<int>(2 * i + 1)), VrfsOf)
                                : std::vector<std::string>());
  }
  delete reply;
  return complete;
}
