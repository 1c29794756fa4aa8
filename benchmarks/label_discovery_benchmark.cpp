// ObtainLabelData over one virtual router's forwarding table of 1,000 to
// 100,000 destinations; the time per destination must not grow with the table.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "host/ERXHost.h"
#include "tests/support/AgentHarness.h"

namespace {

const int kInterfaces = 16;

std::string Ip(int n) {
  return "10." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
         std::to_string(n % 256);
}

std::string InInterface(int n) { return "ATM2/0." + std::to_string(n % kInterfaces + 1); }
std::string OutInterface(int n) { return "ATM3/0." + std::to_string(n % kInterfaces + 1); }

// LSPs of four destinations, each with its own incoming label; every tenth
// LSP goes out over a tunnel.
std::string ForwardingTable(int destinations) {
  std::string table;
  for (int d = 0; d < destinations; ++d) {
    const int lsp = d / 4;
    const std::string name = d % 4 == 0 ? "to-pe" + std::to_string(lsp) : "";
    const std::string out =
        lsp % 10 == 0 ? "tun mpls:" + std::to_string(lsp % kInterfaces + 1) : OutInterface(d);
    table += name + std::string(16 - name.size(), ' ') + Ip(d) + "/32        In " +
             std::to_string(16 + d) + " on " + InInterface(d) + "\n";
    table += std::string(35, ' ') + "Out " + std::to_string(100016 + d) + " on " + out + " nbr " +
             Ip(d + 7) + "\n";
  }
  return table;
}

std::string Key(const std::string& cliName) {
  std::string key;
  ERXGetDescrFromVrfDescr(cliName.c_str(), "default", key);
  return key;
}

void BM_ObtainLabelData(benchmark::State& state) {
  const int destinations = static_cast<int>(state.range(0));
  AgentHarness h;
  h.device.Reply("show mpls forwarding brief", ForwardingTable(destinations));
  h.SetVirtualRouters({"default"}, {{}});
  h.Download();
  std::map<std::string, int> index;
  for (int i = 0; i < kInterfaces; ++i) {
    index.emplace(Key(InInterface(i)), 100 + i);
    index.emplace(Key(OutInterface(i)), 200 + i);
    index.emplace(Key("tun mpls:" + std::to_string(i + 1)), 300 + i);
  }

  for (auto _ : state) {
    auto* result = new CPelkMPLSData;
    h.peer.ObtainLabelData(&h.record, result, index, "default");
    state.PauseTiming();
    if (result->LabelEntries().RDLLength() != destinations) state.SkipWithError("entries lost");
    delete result;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * destinations);
  state.counters["per_destination"] = benchmark::Counter(
      destinations, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_ObtainLabelData)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
