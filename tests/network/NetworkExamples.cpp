#include "tests/network/NetworkExamples.h"

#include <expat.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include <gtest/gtest.h>

#include "fleet/FleetRun.h"
#include "tests/support/TempFolder.h"

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
  const Outcome<FleetOutcome> run = RunFleet(fleet, summary);
  ASSERT_EQ(run.code(), FleetOutcome::kEveryDeviceDiscovered) << run.message() << summary.str();
}

}  // namespace

// The fleet's workers are forks of this program: the folder is removed only by
// this process.
const std::string& TestNetworkStore() {
  static TempFolder folder;
  static const std::string store = [] {
    std::string path = folder.Path() + "/network.db";
    const std::string partial = folder.Path() + "/without-pe-d.yaml";
    std::ofstream(partial) << "devices:\n"
                           << "  - {name: pe-a, capture: " << kNetwork << "pe-a}\n"
                           << "  - {name: p-b, capture: " << kNetwork << "p-b}\n"
                           << "  - {name: p-c, capture: " << kNetwork << "p-c}\n";
    Discover(partial, path);
    Discover(kNetwork + "network.yaml", path);
    return path;
  }();
  return store;
}

namespace {

template <typename Command>
std::string Ask(Command command, network::NetworkOptions options) {
  if (options.storePath.empty()) options.storePath = TestNetworkStore();
  std::ostringstream out;
  const Status answered = command(options, out);
  if (!answered.ok()) out << "failed: " << answered.message();
  return out.str();
}

}  // namespace

network::NetworkOptions Format(const std::string& format, const std::string& device) {
  network::NetworkOptions options;
  options.format = format;
  options.device = device;
  return options;
}

std::string Paths(network::NetworkOptions options) {
  return Ask(network::ShowPaths, std::move(options));
}
std::string Vpns(network::NetworkOptions options) {
  return Ask(network::ShowVpns, std::move(options));
}

report::Vrf Vrf(const std::string& name, std::vector<std::string> exports,
                std::vector<std::string> imports, const std::string& virtualRouter) {
  report::Vrf vrf;
  vrf.virtualRouter = virtualRouter;
  vrf.name = name;
  vrf.exportRouteTargets = std::move(exports);
  vrf.importRouteTargets = std::move(imports);
  return vrf;
}

report::Report Router(const std::string& device, std::vector<report::Vrf> vrfs,
                      const std::string& address) {
  report::Report router;
  router.device = device;
  router.vrfs = std::move(vrfs);
  if (!address.empty()) router.ipAddresses.push_back({"default", address, 1});
  return router;
}

std::string AddressOf(int i) {
  return "10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".1";
}

report::LabelEntry LabelEntry(const std::string& inLabel, const std::string& outLabel,
                              const std::string& nextHop) {
  report::LabelEntry entry;
  entry.virtualRouter = "default";
  entry.inLabel = inLabel;
  entry.outLabel = outLabel;
  entry.nextHop = nextHop;
  return entry;
}

std::string XmlText(const std::string& document) {
  std::string text;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &text);
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
    static_cast<std::string*>(data)->append(s, static_cast<size_t>(length));
  });
  if (XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) != XML_STATUS_OK) {
    text = std::string("not XML: ") + XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);
  return text;
}
