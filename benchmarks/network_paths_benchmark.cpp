// Stitching the label paths of a large network: ROUTERS routers of ENTRIES
// label entries each (default 1,000 x 10,000), in chains of eight routers
// (the eighth sends implicit null), one entry in a hundred of the fourth
// router of a chain sending a label nobody has. Prints the time (wall and
// CPU) to build the indexes and to stitch, and the memory the graph and its
// paths take.
//
//   build/bin/network_paths_benchmark [ROUTERS ENTRIES]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "network/LabelGraph.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double CpuSeconds(std::clock_t since) {
  return static_cast<double>(std::clock() - since) / CLOCKS_PER_SEC;
}

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string Address(int router) {
  return "10." + std::to_string(router >> 8) + "." + std::to_string(router & 255) + ".1";
}

}  // namespace

int main(int argc, char** argv) {
  const int routers = argc > 2 ? std::atoi(argv[1]) : 1000;
  const int entries = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int kChain = 8;
  const double before = PeakMiB();

  auto start = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  network::LabelGraph graph;
  graph.ReserveEntries(static_cast<size_t>(routers) * entries);
  std::vector<std::string> addresses;
  addresses.reserve(static_cast<size_t>(routers));
  for (int r = 0; r < routers; ++r) addresses.push_back(Address(r));
  for (int r = 0; r < routers; ++r) {
    const uint32_t router = graph.AddRouter();
    graph.AddAddress(router, "default", addresses[r]);
  }
  for (int r = 0; r < routers; ++r) {
    const std::string& next = addresses[(r + 1) % routers];
    for (int e = 0; e < entries; ++e) {
      const uint32_t label = 16 + static_cast<uint32_t>(e);
      uint32_t out = r % kChain == kChain - 1 ? 3 : label;
      if (r % kChain == 3 && e % 100 == 99) out = 900000 + label;
      graph.AddEntry({static_cast<uint32_t>(r), "default", label, out, next});
    }
  }
  const double built = Seconds(start), builtCpu = CpuSeconds(cpu);

  start = std::chrono::steady_clock::now();
  cpu = std::clock();
  const std::vector<network::Path> paths = graph.Stitch();
  const double stitched = Seconds(start), stitchedCpu = CpuSeconds(cpu);

  size_t hops = 0, broken = 0;
  for (const network::Path& path : paths) {
    hops += path.hops.size();
    broken += path.end == network::PathEnd::kBroken;
  }
  const double total = static_cast<double>(routers) * entries;
  std::printf("%d routers x %d entries: %zu paths (%zu broken), %zu hops\n", routers, entries,
              paths.size(), broken, hops);
  std::printf(
      "indexes built in %.2f s (%.2f s CPU), stitched in %.2f s (%.2f s CPU, %.0f ns an "
      "entry)\n",
      built, builtCpu, stitched, stitchedCpu, stitchedCpu * 1e9 / total);
  std::printf("peak memory %.0f MiB (%.0f bytes an entry)\n", PeakMiB() - before,
              (PeakMiB() - before) * 1048576.0 / total);
  return 0;
}
