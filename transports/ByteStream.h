// The connection under a CLI session: bytes to and from the router's CLI,
// whatever carries them (Telnet, SSH). A stream knows how to reach the router
// and log in at its own level; the CLI's own prompts are the session's.
#ifndef TRANSPORTS_BYTESTREAM_H_
#define TRANSPORTS_BYTESTREAM_H_

#include <string>

#include "transports/ConnectStatus.h"

class ByteStream {
 public:
  enum class Got { kData, kNothing, kClosed };

  virtual ~ByteStream() = default;

  // Refused when the router was reached but would not let us in.
  virtual ConnectStatus Connect(int timeoutMs) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Appends what the router sent within `waitMs` (0: only what is there
  // already) to `into`. kClosed leaves the stream closed.
  virtual Got Read(std::string& into, int waitMs) = 0;
  // A failed write shows as kClosed at the next Read.
  virtual void Write(const std::string& bytes) = 0;
  // What the Enter key sends.
  virtual const char* LineEnd() const = 0;
  // "ADDRESS:PORT", for messages.
  virtual std::string Where() const = 0;
  // True when the last Connect found that the peer is not known to be the
  // router (an SSH host key unknown or changed): nothing more may go to it.
  virtual bool Untrusted() const { return false; }
};

#endif  // TRANSPORTS_BYTESTREAM_H_
