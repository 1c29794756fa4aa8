#include "simulator/TelnetLink.h"

#include <libtelnet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {-1, 0, 0},
};

}  // namespace

TelnetLink::TelnetLink(int fd) : fd_(fd) {
  telnet_ = telnet_init(kOptions, &TelnetLink::OnEvent, 0, this);
}

TelnetLink::~TelnetLink() {
  telnet_free(telnet_);
  close(fd_);
}

void TelnetLink::Start() {
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_ECHO);
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_SGA);
}

void TelnetLink::OnEvent(telnet_t*, telnet_event_t* event, void* self) {
  auto* link = static_cast<TelnetLink*>(self);
  if (event->type == TELNET_EV_DATA) {
    if (link->sink_) link->sink_->append(event->data.buffer, event->data.size);
    return;
  }
  if (event->type != TELNET_EV_SEND || link->closed_) return;
  const char* data = event->data.buffer;
  size_t size = event->data.size;
  while (size > 0) {
    const ssize_t sent = send(link->fd_, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) {
      link->closed_ = true;
      return;
    }
    data += sent;
    size -= static_cast<size_t>(sent);
  }
}

bool TelnetLink::Receive(std::string& into) {
  if (closed_) return false;
  char buffer[1024];
  const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
  if (got < 0 && errno == EINTR) return true;
  return Take(into, buffer, got);
}

bool TelnetLink::ReceiveArrived(std::string& into) {
  while (!closed_) {
    char buffer[1024];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (!Take(into, buffer, got)) return false;
  }
  return false;
}

bool TelnetLink::Take(std::string& into, const char* buffer, ssize_t got) {
  if (got <= 0) {
    closed_ = true;
    return false;
  }
  sink_ = &into;
  telnet_recv(telnet_, buffer, static_cast<size_t>(got));
  sink_ = nullptr;
  return !closed_;
}

bool TelnetLink::Send(const std::string& bytes) {
  if (!closed_) telnet_send(telnet_, bytes.data(), bytes.size());
  return !closed_;
}

void TelnetLink::HangUp() {
  shutdown(fd_, SHUT_RDWR);
  closed_ = true;
}
