// The small test network of tests/network/devices (see make_devices.py),
// discovered by the fleet code into a results store of two runs: run 1
// without pe-d, run 2 with all four routers.
#ifndef TESTS_NETWORK_NETWORKEXAMPLES_H_
#define TESTS_NETWORK_NETWORKEXAMPLES_H_

#include <string>

#include "network/NetworkCommands.h"

// The store's path; built once per test program.
const std::string& TestNetworkStore();
// The same two runs discovered into `store` (a file or a database).
void DiscoverTestNetwork(const std::string& store);

// What a command writes for `options` on the test network's store; a
// failure adds "failed: PROBLEM".
std::string Paths(network::NetworkOptions options);
std::string Vpns(network::NetworkOptions options);

#endif  // TESTS_NETWORK_NETWORKEXAMPLES_H_
