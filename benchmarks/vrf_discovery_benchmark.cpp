// VRF assembly of one virtual router with 200 VRFs as its route count grows
// from 5,000 to 50,000: every interface is in the index, so no route detail
// is asked for, and the time per route must stay flat.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "tests/support/AgentHarness.h"

namespace {

const int kVrfs = 200;
const int kInterfacesPerVrf = 4;

std::string Interface(int vrf, int k) {
  return "ATM2/0." + std::to_string(vrf * kInterfacesPerVrf + k);
}
std::string NextHop(int vrf) {
  return "2.2." + std::to_string(vrf / 250) + "." + std::to_string(vrf % 250 + 1);
}
std::string Vrf(int vrf) { return "vrf" + std::to_string(vrf); }

std::string VrfDetail() {
  std::string s;
  for (int v = 0; v < kVrfs; ++v) {
    s += "VRF " + Vrf(v) + "; default RD 100:" + std::to_string(v) + "\n  Interfaces:\n";
    for (int k = 0; k < kInterfacesPerVrf; ++k) s += "    " + Interface(v, k) + "\n";
    s += "  Export VPN route-target communities\n    RT:100:" + std::to_string(v) +
         "\n  Import VPN route-target communities\n    RT:100:" + std::to_string(v) + "\n";
  }
  return s;
}

std::string NextHops(int vrf) {
  std::string s;
  for (int k = 0; k < kInterfacesPerVrf; ++k) {
    s += "Indirect next-hop " + NextHop(vrf) + "\n  MPLS stacked label " + std::to_string(16 + k) +
         "\n  Reachable (metric 2)\n  Direct next-hop " + Interface(vrf, k) +
         " (10.7.7.1)\n  Reference count is 3\n";
  }
  return s;
}

// Every tenth route's interface wraps onto a continuation line.
std::string Routes(int vrf, int count) {
  std::string s = "Prefix/Length       Type    Next Hop        Dist/Met   Intf\n";
  for (int r = 0; r < count; ++r) {
    const std::string dest =
        "10." + std::to_string(r / 256 % 256) + "." + std::to_string(r % 256) + ".0/24";
    s += dest + std::string(20 - dest.size(), ' ') + "Bgp     " + NextHop(vrf) +
         "*       200/0      ";
    if (r % 10 == 9) {
      s += "ATM2/0\n" + std::string(50, ' ') + "     ." +
           std::to_string(vrf * kInterfacesPerVrf + r % kInterfacesPerVrf) + "\n";
    } else {
      s += Interface(vrf, r % kInterfacesPerVrf) + "\n";
    }
  }
  return s;
}

void BM_ObtainVRFData(benchmark::State& state) {
  const int routes = static_cast<int>(state.range(0));
  AgentHarness h;
  std::vector<std::string> vrfs;
  h.device.Reply("show ip vrf detail", VrfDetail());
  for (int v = 0; v < kVrfs; ++v) {
    vrfs.push_back(Vrf(v));
    h.device.Reply("show ip bgp vpnv4 vrf " + Vrf(v) + " next-hops", NextHops(v));
    h.device.Reply("show ip route vrf " + Vrf(v), Routes(v, routes / kVrfs));
  }
  h.SetVirtualRouters({"default"}, {vrfs});
  h.Download();
  std::map<std::string, int> index;
  for (int i = 0; i < kVrfs * kInterfacesPerVrf; ++i) index["ip2/0." + std::to_string(i)] = i + 1;

  size_t impositions = 0;
  for (auto _ : state) {
    CPelkMPLSData result;
    std::map<std::string, int> ifDescr2ifIndex = index;
    h.peer.ObtainVRFData(&h.record, &result, ifDescr2ifIndex, "default");
    impositions = 0;
    for (CKelListable* it = result.VRFEntries().RDLHead(); it;
         it = result.VRFEntries().RDLGetNext(it)) {
      impositions += static_cast<CPelkMPLSVRFEntry*>(it)->LabelEntries().RDLLength();
    }
  }
  if (impositions != static_cast<size_t>(routes) || h.device.Sessions().size() != 1) {
    state.SkipWithError("not every route became an imposition without a route detail");
  }
  state.counters["per_route"] = benchmark::Counter(
      routes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ObtainVRFData)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
