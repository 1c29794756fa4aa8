// The small test network of tests/network/devices (see make_devices.py),
// discovered by the fleet code into a results store of two runs: run 1
// without pe-d, run 2 with all four routers.
#ifndef TESTS_NETWORK_NETWORKEXAMPLES_H_
#define TESTS_NETWORK_NETWORKEXAMPLES_H_

#include <string>
#include <vector>

#include "network/NetworkCommands.h"
#include "report/ReportModel.h"

// The store's path; built once per test program.
const std::string& TestNetworkStore();

// Options asking for `format`, of the paths through `device` if one is named.
network::NetworkOptions Format(const std::string& format, const std::string& device = "");
// What a command writes for `options` on the test network's store; a
// failure adds "failed: PROBLEM".
std::string Paths(network::NetworkOptions options);
std::string Vpns(network::NetworkOptions options);

// The text of every element of an XML document, or "not XML: ..." when it
// does not parse.
std::string XmlText(const std::string& document);

// Routers built in code, for what the test network does not show.
report::Vrf Vrf(const std::string& name, std::vector<std::string> exports,
                std::vector<std::string> imports, const std::string& virtualRouter = "default");
// A router with `vrfs` and, when one is given, `address` in its default virtual router.
report::Report Router(const std::string& device, std::vector<report::Vrf> vrfs,
                      const std::string& address = "");
// An address of its own for router `i` of many: 10.(i / 250).(i % 250).1.
std::string AddressOf(int i);
// A label entry of the default virtual router.
report::LabelEntry LabelEntry(const std::string& inLabel, const std::string& outLabel,
                              const std::string& nextHop);

#endif  // TESTS_NETWORK_NETWORKEXAMPLES_H_
