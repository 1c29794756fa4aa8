#include "transports/TelnetStream.h"

#include <libtelnet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// We let the router echo and suppress go-ahead; everything else is refused.
const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {-1, 0, 0},
};

}  // namespace

TelnetStream::TelnetStream(std::string address, int port)
    : address_(std::move(address)), port_(port) {}

TelnetStream::~TelnetStream() { Close(); }

void TelnetStream::Close() {
  if (telnet_) telnet_free(telnet_);
  telnet_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

ConnectStatus TelnetStream::Connect(int timeoutMs) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(port_);
  if (getaddrinfo(address_.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
    return Status::Failure("cannot find the address of " + address_);
  }
  std::string why = "no address";
  for (addrinfo* at = found; at && fd_ < 0; at = at->ai_next) {
    int fd = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) continue;
    int error = connect(fd, at->ai_addr, at->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      const int ready = poll(&wait, 1, timeoutMs);
      socklen_t size = sizeof error;
      if (ready <= 0) {
        error = ETIMEDOUT;
      } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        error = errno;
      }
    }
    if (error == 0) {
      fd_ = fd;
    } else {
      why = std::strerror(error);
      close(fd);
    }
  }
  freeaddrinfo(found);
  if (fd_ < 0) {
    return Status::Failure("cannot connect to " + Where() + ": " + why);
  }
  // A command is a few bytes that wait for their answer: no waiting to fill a segment.
  const int noDelay = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  telnet_ = telnet_init(kOptions, &TelnetStream::OnEvent, 0, this);
  return ConnectStatus();
}

void TelnetStream::OnEvent(telnet_t*, telnet_event_t* event, void* self) {
  auto* stream = static_cast<TelnetStream*>(self);
  switch (event->type) {
    case TELNET_EV_DATA:
      if (stream->sink_) stream->sink_->append(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_SEND: {
      const char* data = event->data.buffer;
      size_t left = event->data.size;
      while (left > 0 && stream->fd_ >= 0) {
        const ssize_t sent = send(stream->fd_, data, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno == EAGAIN) {
          pollfd wait{stream->fd_, POLLOUT, 0};
          if (poll(&wait, 1, 1000) > 0) continue;
        }
        if (sent <= 0) {
          // The next read sees the connection closed.
          shutdown(stream->fd_, SHUT_RDWR);
          break;
        }
        data += sent;
        left -= static_cast<size_t>(sent);
      }
      break;
    }
    default:
      break;
  }
}

void TelnetStream::Write(const std::string& bytes) {
  if (telnet_) telnet_send(telnet_, bytes.data(), bytes.size());
}

ByteStream::Got TelnetStream::Read(std::string& into, int waitMs) {
  if (fd_ < 0) return Got::kClosed;
  char buffer[4096];
  for (;;) {
    pollfd wait{fd_, POLLIN, 0};
    const int ready = poll(&wait, 1, waitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Got::kNothing;
    const ssize_t got = ready < 0 ? -1 : recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return Got::kNothing;
    if (got <= 0) {
      Close();
      return Got::kClosed;
    }
    sink_ = &into;
    telnet_recv(telnet_, buffer, static_cast<size_t>(got));
    sink_ = nullptr;
    return Got::kData;
  }
}
