// A Telnet client of the simulated router, on an accepted socket.
#ifndef SIMULATOR_TELNETLINK_H_
#define SIMULATOR_TELNETLINK_H_

#include <sys/types.h>

#include "simulator/RouterLink.h"

struct telnet_t;
union telnet_event_t;

class TelnetLink : public RouterLink {
 public:
  explicit TelnetLink(int fd);  // takes the socket
  ~TelnetLink() override;
  TelnetLink(const TelnetLink&) = delete;
  TelnetLink& operator=(const TelnetLink&) = delete;

  void Start() override;
  bool Receive(std::string& into) override;
  bool ReceiveArrived(std::string& into) override;
  bool Send(const std::string& bytes) override;
  void HangUp() override;

 private:
  // Hands `got` bytes of `buffer` (as recv returned it) to the protocol.
  bool Take(std::string& into, const char* buffer, ssize_t got);
  static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* self);

  int fd_;
  telnet_t* telnet_ = nullptr;
  std::string* sink_ = nullptr;  // where received data goes during Receive
  bool closed_ = false;
};

#endif  // SIMULATOR_TELNETLINK_H_
