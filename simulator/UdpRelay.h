// Stands in front of snmpsim as the simulated router's SNMP agent: passes
// datagrams between clients on one port and snmpsim on another, holding every
// answer a while (the router as far away as its latency fault says). With
// communities, it answers only SNMPv1/v2c requests that name one, and swaps it
// for snmpsim's own name of that data and back, so that snmpsim's files never
// carry the community; SNMPv3 passes unchanged. It answers the endless-table
// fault's requests itself.
//
//   UdpRelaySetup setup;
//   setup.port = 1161;
//   setup.serverPort = snmpsimPort;
//   setup.communities = {{"public", "5be1f0a2c4d6e8f1c0"}};
//   UdpRelay relay;
//   Status started = relay.Start(setup);
#ifndef SIMULATOR_UDPRELAY_H_
#define SIMULATOR_UDPRELAY_H_

#include <atomic>
#include <map>
#include <string>
#include <thread>

#include "simulator/EndlessTable.h"
#include "status/Status.h"

struct RelayTraffic;
struct sockaddr_in;

struct UdpRelaySetup {
  std::string address = "127.0.0.1";
  int port = 0;  // 0: any free port, see UdpRelay::Port()
  int serverPort = 0;
  int holdMs = 0;
  // The client's community -> the server's; empty: every datagram passes.
  std::map<std::string, std::string> communities;
  EndlessTable endlessTable;
};

class UdpRelay {
 public:
  UdpRelay() = default;
  ~UdpRelay() { Stop(); }
  UdpRelay(const UdpRelay&) = delete;
  UdpRelay& operator=(const UdpRelay&) = delete;

  Status Start(const UdpRelaySetup& setup);
  void Stop();
  int Port() const { return port_; }

 private:
  void Run();
  // One datagram that came in on `fd` from `from`: on to the server, or held
  // as the answer to its client.
  void Relay(int fd, const sockaddr_in& from, std::string datagram, RelayTraffic& traffic) const;
  enum class Route { kToServer, kAnswered, kNoAnswer };
  // Rewrites `datagram` for the server, or into the answer to the client.
  Route Forward(std::string& datagram) const;
  void Backward(std::string& datagram) const;

  UdpRelaySetup setup_;
  std::map<std::string, std::string> clientCommunity_;  // the server's -> the client's
  int front_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

#endif  // SIMULATOR_UDPRELAY_H_
