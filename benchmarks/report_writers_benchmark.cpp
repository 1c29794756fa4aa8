// The two report writers on the report of a large provider edge: 100,000
// label entries and 200 VRFs of 250 impositions. Beside them, the same JSON
// built first as an ordered document tree and then dumped, the way the report
// used to be written, for comparison.
#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>
#include <string>

#include <nlohmann/json.hpp>

#include "report/JsonReport.h"
#include "report/TextReport.h"

namespace {

// Counts what is written and keeps none of it.
class CountingBuffer : public std::streambuf {
 public:
  size_t bytes = 0;

 protected:
  int_type overflow(int_type c) override {
    ++bytes;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<size_t>(n);
    return n;
  }
};

std::string Address(int n) {
  return std::to_string(10 + n / 65536 % 200) + "." + std::to_string(n / 256 % 256) + "." +
         std::to_string(n % 256) + ".0";
}

const report::Report& LargeReport() {
  static const report::Report found = [] {
    report::Report r;
    r.device = "pe1-erx";
    r.agent = "Discovery Agent for Unisphere ERX MPLS information using Telnet";
    for (int n = 0; n < 100000; ++n) {
      r.labelEntries.push_back({std::string("default"), "to-pe" + std::to_string(n / 4),
                                std::to_string(16 + n), std::to_string(100000 + n), 12,
                                std::string("ATM3/0.2"), std::string("10.1.3.2"),
                                std::vector<int>{10}, std::vector<std::string>{"ATM2/0.1"}});
    }
    for (int v = 0; v < 200; ++v) {
      report::Vrf vrf{std::string("default"),
                      "vrf" + std::to_string(v),
                      "100:" + std::to_string(v),
                      std::vector<std::string>{"100:1"},
                      std::vector<std::string>{"100:1", "100:2"},
                      std::vector<int>{30, 31},
                      std::vector<report::Imposition>{}};
      for (int k = 0; k < 250; ++k) {
        vrf.impositions->push_back({std::to_string(16 + k), Address(v * 250 + k) + "/24", 10,
                                    std::string("ATM2/0.1"), std::string("2.2.2.2")});
      }
      r.vrfs.push_back(std::move(vrf));
    }
    return r;
  }();
  return found;
}

void BM_JsonReport(benchmark::State& state) {
  const report::Report& found = LargeReport();
  size_t bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    WriteJsonReport(found, out);
    bytes += buffer.bytes;
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_JsonReport)->Unit(benchmark::kMillisecond);

void BM_TextReport(benchmark::State& state) {
  const report::Report& found = LargeReport();
  size_t bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    WriteTextReport(found, out);
    bytes += buffer.bytes;
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_TextReport)->Unit(benchmark::kMillisecond);

// The label entries and VRFs only, which are nearly all of the report.
void BM_JsonDocumentTreeForComparison(benchmark::State& state) {
  using Json = nlohmann::ordered_json;
  const report::Report& found = LargeReport();
  size_t bytes = 0;
  for (auto _ : state) {
    Json document = Json::object();
    document["labelEntries"] = Json::array();
    for (const report::LabelEntry& e : found.labelEntries) {
      Json entry = Json::object();
      entry["virtualRouter"] = *e.virtualRouter;
      entry["lspName"] = *e.lspName;
      entry["inLabel"] = *e.inLabel;
      entry["outLabel"] = *e.outLabel;
      entry["outIfIndex"] = *e.outIfIndex;
      entry["outInterface"] = *e.outInterface;
      entry["nextHop"] = *e.nextHop;
      entry["inIfIndexes"] = *e.inIfIndexes;
      entry["inInterfaces"] = *e.inInterfaces;
      document["labelEntries"].push_back(entry);
    }
    document["vrfs"] = Json::array();
    for (const report::Vrf& v : found.vrfs) {
      Json vrf = {{"virtualRouter", *v.virtualRouter},
                  {"name", *v.name},
                  {"routeDistinguisher", *v.routeDistinguisher},
                  {"exportRouteTargets", *v.exportRouteTargets},
                  {"importRouteTargets", *v.importRouteTargets},
                  {"ifIndexes", *v.ifIndexes}};
      vrf["impositions"] = Json::array();
      for (const report::Imposition& i : *v.impositions) {
        vrf["impositions"].push_back({{"label", *i.label},
                                      {"destination", *i.destination},
                                      {"ifIndex", *i.ifIndex},
                                      {"interface", *i.interface},
                                      {"nextHop", *i.nextHop}});
      }
      document["vrfs"].push_back(vrf);
    }
    const std::string text = document.dump(2);
    bytes += text.size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_JsonDocumentTreeForComparison)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
