#include "transports/TelnetSession.h"

#include <fcntl.h>
#include <libtelnet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// We let the router echo and suppress go-ahead; everything else is refused.
const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {-1, 0, 0},
};

const char kPageMark[] = "--More--";
const char kNoPaging[] = "terminal length 0";
const char kWideLines[] = "terminal width 512";

bool EndsWith(const std::string& text, const char* suffix) {
  const size_t length = std::strlen(suffix);
  return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool IsUserPrompt(const std::string& last) {
  return last == "User:" || last == "Username:" || last == "login:";
}

// "Password:" and "Telnet password:" alike.
bool IsPasswordPrompt(const std::string& last) {
  return EndsWith(last, "assword:");
}

std::string Collapsed(const std::string& text) {
  std::string collapsed;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      blank = !collapsed.empty();
    } else {
      if (blank) collapsed += ' ';
      collapsed += c;
      blank = false;
    }
  }
  return collapsed;
}

}  // namespace

TelnetSession::TelnetSession(std::string address, int port, TelnetLogin login, int timeoutMs,
                             bool pagingOff)
    : address_(std::move(address)),
      port_(port),
      login_(std::move(login)),
      timeout_(timeoutMs),
      pagingOff_(pagingOff) {}

TelnetSession::~TelnetSession() { Close(); }

void TelnetSession::Close() {
  if (telnet_) telnet_free(telnet_);
  telnet_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool TelnetSession::Connect(std::string& problem) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(port_);
  if (getaddrinfo(address_.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
    problem = "cannot find the address of " + address_;
    return false;
  }
  std::string why = "no address";
  for (addrinfo* at = found; at && fd_ < 0; at = at->ai_next) {
    int fd = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) continue;
    int error = connect(fd, at->ai_addr, at->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      const int ready = poll(&wait, 1, static_cast<int>(timeout_.count()));
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
    problem = "cannot connect to " + Where() + ": " + why;
    return false;
  }
  telnet_ = telnet_init(kOptions, &TelnetSession::OnEvent, 0, this);
  Forget();
  return true;
}

void TelnetSession::OnEvent(telnet_t*, telnet_event_t* event, void* self) {
  auto* session = static_cast<TelnetSession*>(self);
  switch (event->type) {
    case TELNET_EV_DATA:
      session->received_.append(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_SEND: {
      const char* data = event->data.buffer;
      size_t left = event->data.size;
      while (left > 0 && session->fd_ >= 0) {
        const ssize_t sent = send(session->fd_, data, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno == EAGAIN) {
          pollfd wait{session->fd_, POLLOUT, 0};
          if (poll(&wait, 1, 1000) > 0) continue;
        }
        if (sent <= 0) {
          // The next receive sees the connection closed.
          shutdown(session->fd_, SHUT_RDWR);
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

// Lines end in CR LF on the wire.
void TelnetSession::Forget() {
  received_.clear();
  pageScan_ = 0;
}

void TelnetSession::Send(const std::string& text) {
  std::string wire;
  for (char c : text) wire += c == '\n' ? std::string("\r\n") : std::string(1, c);
  if (telnet_) telnet_send(telnet_, wire.data(), wire.size());
}

TelnetSession::Result TelnetSession::Receive(Clock::time_point deadline,
                                             const std::function<bool()>& done) {
  char buffer[4096];
  for (;;) {
    // A page break waits for a blank; answer each mark once.
    for (size_t at = received_.find(kPageMark, pageScan_); at != std::string::npos;
         at = received_.find(kPageMark, pageScan_)) {
      Send(" ");
      pageScan_ = at + 1;
    }
    // A mark that is still arriving starts in the last few bytes.
    pageScan_ = std::max(pageScan_, received_.size() - std::min(received_.size(), sizeof kPageMark - 2));
    if (done()) return Result::kReply;
    if (fd_ < 0) return Result::kClosed;
    if (received_.size() > kMaxReplyBytes) return Result::kTooLarge;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Result::kTimeout;
    pollfd wait{fd_, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Result::kTimeout;
    const ssize_t got = ready < 0 ? -1 : recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) {
      Close();
      return Result::kClosed;
    }
    telnet_recv(telnet_, buffer, static_cast<size_t>(got));
  }
}

bool TelnetSession::AtPrompt() {
  std::optional<CliPrompt> prompt = ParseCliPrompt(LastLine(received_), prompt_.host);
  if (!prompt) return false;
  prompt_ = *prompt;
  promptLine_ = LastLine(received_);
  return true;
}

bool TelnetSession::Open(std::string& problem, bool& refused) {
  refused = false;
  Close();
  prompt_ = CliPrompt();
  promptLine_.clear();
  if (!Connect(problem) || !LogIn(problem, refused) || !Enable(problem)) {
    Close();
    return false;
  }
  std::string reply;
  if (pagingOff_ && Run(kNoPaging, reply) != Result::kReply) {
    problem = Where() + " did not answer \"" + kNoPaging + "\"";
    return false;
  }
  if (Run(kWideLines, reply) != Result::kReply) {
    problem = Where() + " did not answer \"" + kWideLines + "\"";
    return false;
  }
  return true;
}

bool TelnetSession::LogIn(std::string& problem, bool& refused) {
  const Clock::time_point deadline = Clock::now() + timeout_;
  const std::string who = login_.user.empty() ? std::string("the login") : "the login of user " + login_.user;
  bool userSent = false, passwordSent = false;
  for (;;) {
    std::string last;
    const Result result = Receive(deadline, [&] {
      last = LastLine(received_);
      return IsUserPrompt(last) || IsPasswordPrompt(last) || AtPrompt();
    });
    if (result != Result::kReply) {
      refused = userSent || passwordSent;
      const std::string what = result == Result::kClosed ? "closed the connection" : "did not answer in time";
      problem = Where() + (refused ? " refused " + who + " (" + what + ")" : " " + what + " before a login prompt");
      return false;
    }
    if (!prompt_.host.empty()) return true;
    Forget();
    if (IsUserPrompt(last)) {
      if (login_.user.empty() || userSent) {
        refused = true;
        problem = Where() + (userSent ? " refused " + who : " asks for a user name (give --user)");
        return false;
      }
      Send(login_.user + "\n");
      userSent = true;
    } else {
      if (passwordSent) {
        // The router accepts no second attempt on a connection.
        refused = true;
        problem = Where() + " refused " + who + " (wrong password)";
        return false;
      }
      Send(login_.password + "\n");
      passwordSent = true;
    }
  }
}

bool TelnetSession::Enable(std::string& problem) {
  if (prompt_.mark != '>') return true;
  Forget();
  Send("enable\n");
  std::string last;
  Result result = Receive(Clock::now() + timeout_, [&] {
    last = LastLine(received_);
    return IsPasswordPrompt(last) || (AtPrompt() && received_.find('\n') != std::string::npos);
  });
  if (result == Result::kReply && IsPasswordPrompt(last)) {
    Forget();
    Send(login_.enablePassword + "\n");
    result = Receive(Clock::now() + timeout_, [&] { return AtPrompt(); });
  }
  // Refused privileges leave the show commands running; only a lost session counts.
  if (result != Result::kReply) problem = Where() + " did not finish \"enable\"";
  return result == Result::kReply;
}

// A reply that held a line looking like the prompt may have been taken as
// complete early; its rest must not pass for the next command's reply.
void TelnetSession::DropLateOutput() {
  char buffer[4096];
  for (;;) {
    const ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) {
      telnet_recv(telnet_, buffer, static_cast<size_t>(got));
      continue;
    }
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) Close();
    break;
  }
  Forget();
}

TelnetSession::Result TelnetSession::Run(const std::string& command, std::string& reply) {
  reply.clear();
  if (fd_ >= 0) DropLateOutput();
  if (fd_ < 0) return Result::kClosed;
  Send(command + "\n");
  const Result result = Receive(Clock::now() + timeout_, [&] {
    return AtPrompt() && received_.find('\n') != std::string::npos;
  });
  if (result != Result::kReply) {
    Close();
    return result;
  }
  std::string body = received_.substr(0, received_.rfind('\n') + 1);
  const size_t echoEnd = body.find('\n');
  if (Collapsed(CleanCliText(body.substr(0, echoEnd))) == Collapsed(command)) {
    body.erase(0, echoEnd + 1);
  }
  reply = CleanCliText(body);
  return Result::kReply;
}
