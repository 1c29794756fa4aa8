// The connection of one client of the simulated router, whatever carries it
// (Telnet, SSH): blocking reads and writes of what the client types and sees.
#ifndef SIMULATOR_ROUTERLINK_H_
#define SIMULATOR_ROUTERLINK_H_

#include <string>

class RouterLink {
 public:
  virtual ~RouterLink() = default;
  // Before the first byte: what the protocol says at the start.
  virtual void Start() {}
  // Appends what the client sent, waiting for it; false once it is gone.
  virtual bool Receive(std::string& into) = 0;
  // Appends what the client sent and has arrived already, without waiting;
  // false once it is gone.
  virtual bool ReceiveArrived(std::string& into) = 0;
  // False once the client is gone.
  virtual bool Send(const std::string& bytes) = 0;
  // Ends the connection from our side.
  virtual void HangUp() = 0;
};

#endif  // SIMULATOR_ROUTERLINK_H_
