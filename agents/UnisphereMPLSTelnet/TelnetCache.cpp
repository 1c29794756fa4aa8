// Every CLI command of a device goes to the router in one request; the replies
// are cached in the mediation data for the length of the MPLS driver.
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/KelError.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

using TelnetCache = std::map<std::string, std::string>;
const char kCacheKey[] = "UnisphereTelnetData";

void AddCommand(CKelAtomVector* commands, std::vector<std::string>& keys,
                const std::string& command, const std::string& key) {
  commands->RAVAddToEnd(new CKelAtom(command.c_str()));
  keys.push_back(key);
}

}  // namespace

void CPelkUnisphereMPLSTelnet::DownloadBasicTelnetData(
    CKelRecord* record, CPelkMediationData* medData, std::vector<std::string>* vrList,
    std::vector<std::vector<std::string>>* vrfTable) {
  TraceRaw(3) << "DownloadBasicTelnetData().\n";
  auto* commands = new CKelAtomVector(0);
  std::vector<std::string> keys;
  for (size_t i = 0; vrList && i < vrList->size(); ++i) {
    const std::string& vr = (*vrList)[i];
    AddCommand(commands, keys, "virtual-router " + vr, vr + "virtual-router");
    AddCommand(commands, keys, "show mpls interface", vr + "show mpls interface");
    AddCommand(commands, keys, "show mpls forwarding brief", vr + "show mpls forwarding brief");
    AddCommand(commands, keys, "show ip vrf detail", vr + "show ip vrf detail");
    if (vrfTable && i < vrfTable->size()) {
      const std::vector<std::string> vrfs = (*vrfTable)[i];
      for (const std::string& vrf : vrfs) {
        AddCommand(commands, keys, "show ip bgp vpnv4 vrf " + vrf + " next-hops",
                   vr + vrf + "show ip bgp vpnv4 vrf ");
        AddCommand(commands, keys, "show ip route vrf " + vrf, vr + vrf + "show ip route vrf ");
      }
    }
  }
  // The requester takes the command vector over.
  CKelAtomVector* replies = m_Requester->DSRGetTELNET(record, commands);
  auto* cache = new TelnetCache;
  if (replies) {
    if (replies->RAVSize() != static_cast<int>(keys.size())) {
      std::string text = "Unisphere telnet data download for ";
      const char* printed = record ? record->RRPrintStr(true) : nullptr;
      if (printed) text += printed;
      CKelError(-220402, kErrorSource, 1915, text.c_str());
    } else {
      for (size_t k = 0; k < keys.size(); ++k) {
        CKelAtom* atom = replies->RAVGetValue(static_cast<int>(k));
        const char* reply = atom ? atom->RAString() : nullptr;
        if (!reply) continue;
        if (!cache->emplace(keys[k], reply).second) {
          std::string text = "Failed to add telnet key - value " + keys[k] + " - " + reply;
          CKelError(-220439, kErrorSource, 1898, text.c_str());
        } else {
          Trace(4) << "Added result " << reply << " on key " << keys[k];
        }
      }
    }
    delete replies;
  }
  if (medData) {
    medData->DMDAddDataPtr(kCacheKey, cache);
  } else {
    delete cache;
  }
}

const std::string* CPelkUnisphereMPLSTelnet::CachedTelnetReply(CPelkMediationData* medData,
                                                               const char* vr, const char* vrf,
                                                               const char* command) {
  if (!medData || !vr || !command) {
    CKelError(-220402, kErrorSource, 1964, "Unisphere telnet data retrieval failed.");
    return nullptr;
  }
  auto* cache = static_cast<TelnetCache*>(medData->DMDGetDataPtr(kCacheKey));
  if (!cache) return nullptr;
  std::string key = vr;
  if (vrf) key += vrf;
  key += command;
  auto it = cache->find(key);
  return it == cache->end() ? nullptr : &it->second;
}

bool CPelkUnisphereMPLSTelnet::RetrieveTelnetData(CPelkMediationData* medData, const char* vr,
                                                  const char* vrf, const char* command,
                                                  std::string& reply) {
  const std::string* cached = CachedTelnetReply(medData, vr, vrf, command);
  if (!cached) return false;
  reply += *cached;
  return true;
}

void CPelkUnisphereMPLSTelnet::CleanUpTelnetData(CPelkMediationData* medData) {
  if (!medData) {
    CKelError(-220552, kErrorSource, 2009, nullptr);
    return;
  }
  delete static_cast<TelnetCache*>(medData->DMDRemoveDataPtr(kCacheKey));
}
