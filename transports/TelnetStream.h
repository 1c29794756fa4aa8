// The CLI over Telnet: a TCP connection, with option negotiation by libtelnet.
//
//   CliSession session(std::make_unique<TelnetStream>("127.0.0.1", 2323), login, 30000);
#ifndef TRANSPORTS_TELNETSTREAM_H_
#define TRANSPORTS_TELNETSTREAM_H_

#include <string>

#include "transports/ByteStream.h"

struct telnet_t;
union telnet_event_t;

class TelnetStream : public ByteStream {
 public:
  TelnetStream(std::string address, int port);
  ~TelnetStream() override;
  TelnetStream(const TelnetStream&) = delete;
  TelnetStream& operator=(const TelnetStream&) = delete;

  ConnectStatus Connect(int timeoutMs) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  Got Read(std::string& into, int waitMs) override;
  void Write(const std::string& bytes) override;
  const char* LineEnd() const override { return "\r\n"; }
  std::string Where() const override { return address_ + ":" + std::to_string(port_); }

 private:
  static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* self);

  std::string address_;
  int port_;
  int fd_ = -1;
  telnet_t* telnet_ = nullptr;
  std::string* sink_ = nullptr;  // where received data goes during Read
};

#endif  // TRANSPORTS_TELNETSTREAM_H_
