// Passes UDP datagrams between clients on one port and a server on another,
// holding every answer a while: the simulated router's SNMP as far away as
// its latency fault says.
//
//   UdpRelay relay;
//   relay.Start("127.0.0.1", 1161, snmpsimPort, 20, problem);
#ifndef SIMULATOR_UDPRELAY_H_
#define SIMULATOR_UDPRELAY_H_

#include <atomic>
#include <string>
#include <thread>

class UdpRelay {
 public:
  UdpRelay() = default;
  ~UdpRelay() { Stop(); }
  UdpRelay(const UdpRelay&) = delete;
  UdpRelay& operator=(const UdpRelay&) = delete;

  // Listens on `address`:`port` (0: any free port, see Port()) and relays to
  // `address`:`serverPort`.
  bool Start(const std::string& address, int port, int serverPort, int holdMs,
             std::string& problem);
  void Stop();
  int Port() const { return port_; }

 private:
  void Run();

  int front_ = -1;
  int port_ = 0;
  int serverPort_ = 0;
  int holdMs_ = 0;
  std::string address_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

#endif  // SIMULATOR_UDPRELAY_H_
