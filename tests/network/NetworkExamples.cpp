#include "tests/network/NetworkExamples.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "fleet/FleetRun.h"

namespace {

const std::string kNetwork = std::string(ERX_SOURCE_DIR) + "/tests/network/devices/";

void Discover(const std::string& inventory, const std::string& store) {
  FleetOptions fleet;
  fleet.inventory = inventory;
  fleet.jobs = 2;
  fleet.storePath = store;
  fleet.quiet = true;
  fleet.discovery.modulePath = ERX_MODULE_PATH;
  std::ostringstream summary;
  std::string problem;
  ASSERT_EQ(RunFleet(fleet, summary, problem), kEveryDeviceDiscovered) << problem << summary.str();
}

// The fleet's workers are forks of the test program and run its static
// destructors as they exit: only the process that made the folder removes it.
class StoreFolder {
 public:
  StoreFolder() : path_((std::filesystem::temp_directory_path() / "erx-network-XXXXXX").string()) {
    if (!mkdtemp(&path_[0])) path_.clear();
  }
  ~StoreFolder() {
    std::error_code ignored;
    if (getpid() == owner_ && !path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  const pid_t owner_ = getpid();
};

}  // namespace

void DiscoverTestNetwork(const std::string& store) {
  static StoreFolder folder;
  const std::string partial = folder.Path() + "/without-pe-d.yaml";
  std::ofstream(partial) << "devices:\n"
                         << "  - {name: pe-a, capture: " << kNetwork << "pe-a}\n"
                         << "  - {name: p-b, capture: " << kNetwork << "p-b}\n"
                         << "  - {name: p-c, capture: " << kNetwork << "p-c}\n";
  Discover(partial, store);
  Discover(kNetwork + "network.yaml", store);
}

const std::string& TestNetworkStore() {
  static StoreFolder folder;
  static const std::string store = [] {
    const std::string path = folder.Path() + "/network.db";
    DiscoverTestNetwork(path);
    return path;
  }();
  return store;
}

namespace {

template <typename Command>
std::string Ask(Command command, network::NetworkOptions options) {
  if (options.storePath.empty()) options.storePath = TestNetworkStore();
  std::ostringstream out;
  std::string problem;
  if (command(options, out, problem) != 0) out << "failed: " << problem;
  return out.str();
}

}  // namespace

std::string Paths(network::NetworkOptions options) { return Ask(network::ShowPaths, options); }
std::string Vpns(network::NetworkOptions options) { return Ask(network::ShowVpns, options); }
