// The agent's CLI parsers, each fed an arbitrary reply to its command through
// the agent harness: virtual router "default" with VRF "red".
//
// Input: MODE REPLY. The low bits of MODE pick the parser (see kParsers), its
// top bit turns every trace on. The route-detail parser reads NEXT-HOP \n
// REPLY (the next hop comes from a route reply and is used as an expression);
// the whole-virtual-router mode reads the replies of kCommands in order,
// separated by NUL bytes, runs the agent's MPLS driver and converts what it
// found as the host does.
#include <map>
#include <string>
#include <vector>

#include "discovery/HostResults.h"
#include "fuzz/support/FuzzInput.h"
#include "host/KelSnmp.h"
#include "tests/support/AgentHarness.h"

namespace {

using Index = std::map<std::string, int>;
using Names = std::vector<std::string>;

const char kRouteDetail[] = "show ip route vrf red 10.8.0.0 detail";
const char* const kCommands[] = {"show mpls interface",   "show mpls forwarding brief",
                                 "show ip vrf detail",    "show ip bgp vpnv4 vrf red next-hops",
                                 "show ip route vrf red", kRouteDetail};

// Answers every route-detail command with one reply, whatever route it names.
class FuzzDevice : public ScriptedDevice {
 public:
  std::string routeDetail;

  CKelAtomVector* RunCommands(CKelRecord* device,
                              const std::vector<std::string>& commands) override {
    for (const std::string& command : commands) {
      const std::string suffix = " detail";
      if (command.size() > suffix.size() &&
          command.compare(command.size() - suffix.size(), suffix.size(), suffix) == 0) {
        Reply(command, routeDetail);
      }
    }
    return ScriptedDevice::RunCommands(device, commands);
  }
};

// What the SNMP side of the mediation layer would have stored and walked.
void AddInterfaceData(AgentHarness& h, FuzzDevice& device) {
  auto* addresses = new CKelDoubleList;
  std::vector<unsigned int> instance;
  CKelASN1Address::Parse("10.1.1.1", instance);
  addresses->RDLAddToListEnd(new CKelSnmpVarOp("ipAdEntIfIndex", instance, new CKelAtom(11)));
  h.medData.DMDAddSnmp("ipAdEntIfIndex.default", addresses);
  device.AddWalkRow("ifDescr", "@default:red", "21", "ip2/0.10");
  device.AddWalkRow("ifType", "@default:red", "21", 49);
}

struct Run {
  Run() {
    h.agent.DAGetRequester()->DSRSetTransport(&device);
    h.SetVirtualRouters({"default"}, {{"red"}});
    AddInterfaceData(h, device);
  }
  void Download(const Names& replies) {
    for (size_t i = 0; i < replies.size() && i + 1 < sizeof kCommands / sizeof *kCommands; ++i) {
      device.Reply(kCommands[i], replies[i]);
    }
    h.Download();
  }

  AgentHarness h;
  FuzzDevice device;
  Index index{{"ip2/0.1", 11}, {"ip2/0.10", 21}};
  CPelkMPLSData result;
};

void OneParser(int parser, const std::string& reply) {
  Run run;
  Names replies(5);
  if (parser < 5) replies[parser] = reply;
  run.Download(replies);
  auto& peer = run.h.peer;
  auto* record = &run.h.record;
  Names dests, hops, ifs;
  std::map<std::string, std::string> labels;
  std::string vrf = "red";
  switch (parser) {
    case 0:
      peer.GenerateIfDescrToIfIndexTL(record, &run.h.medData, run.index, "default", {"red"});
      break;
    case 1:
      peer.ObtainLabelData(record, &run.result, run.index, "default");
      break;
    case 2:
      peer.ObtainVRFData(record, &run.result, run.index, "default");
      break;
    case 3:
      peer.GetLabels(record, labels, vrf, "default");
      break;
    case 4:
      peer.GetSpecificVRFInfo(record, "red", dests, hops, ifs, "default");
      FuzzCheck(dests.size() == hops.size() && hops.size() == ifs.size(),
                "route lists of different lengths");
      break;
    default: {
      const size_t lineEnd = reply.find('\n');
      run.device.routeDetail = lineEnd == std::string::npos ? "" : reply.substr(lineEnd + 1);
      peer.FindVrfIfIndex(record, "red", "10.8.0.0/16", reply.substr(0, lineEnd), "ATM2/0.20",
                          run.index, "default");
    }
  }
  LabelEntriesOf(run.result);
  VrfsOf(run.result);
}

void WholeVirtualRouter(const Names& replies) {
  Run run;
  for (size_t i = 0; i < replies.size(); ++i) {
    if (i + 1 < sizeof kCommands / sizeof *kCommands) {
      run.device.Reply(kCommands[i], replies[i]);
    } else {
      run.device.routeDetail = replies[i];
    }
  }
  run.h.peer.DMAObtainMPLSData(&run.h.record, &run.h.medData);
  auto* data = static_cast<CPelkMPLSData*>(run.h.medData.DMDGetDataPtr("m_MPLSData"));
  FuzzCheck(data != nullptr, "the driver handed over no result");
  LabelEntriesOf(*data);
  VrfsOf(*data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool silenced = (SilenceStandardOutput(), true);
  (void)silenced;
  if (size == 0) return 0;
  ScopedDebugLevel level(data[0] & 0x80 ? 4 : 0);
  const int mode = (data[0] & 0x7f) % 7;
  if (mode < 6) {
    OneParser(mode, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  } else {
    WholeVirtualRouter(SplitInput(data + 1, size - 1, 6));
  }
  return 0;
}
