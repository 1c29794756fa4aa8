#include "transports/CliSession.h"

#include <algorithm>
#include <cstring>

namespace {

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

CliSession::CliSession(std::unique_ptr<ByteStream> stream, CliLogin login, int timeoutMs,
                       bool pagingOff)
    : stream_(std::move(stream)),
      login_(std::move(login)),
      timeout_(timeoutMs),
      pagingOff_(pagingOff) {}

CliSession::~CliSession() { Close(); }

void CliSession::Close() { stream_->Close(); }

void CliSession::Forget() {
  received_.clear();
  pageScan_ = 0;
}

void CliSession::Send(const std::string& text) {
  std::string wire;
  for (char c : text) wire += c == '\n' ? std::string(stream_->LineEnd()) : std::string(1, c);
  stream_->Write(wire);
}

CliSession::Result CliSession::Receive(Clock::time_point deadline,
                                       const std::function<bool()>& done) {
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
    if (!stream_->IsOpen()) return Result::kClosed;
    if (received_.size() > kMaxReplyBytes) return Result::kTooLarge;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Result::kTimeout;
    if (stream_->Read(received_, static_cast<int>(left.count())) == ByteStream::Got::kClosed) {
      return Result::kClosed;
    }
  }
}

bool CliSession::AtPrompt() {
  std::optional<CliPrompt> prompt = ParseCliPrompt(LastLine(received_), prompt_.host);
  if (!prompt) return false;
  prompt_ = *prompt;
  promptLine_ = LastLine(received_);
  return true;
}

bool CliSession::Open(std::string& problem, bool& refused) {
  refused = false;
  Close();
  prompt_ = CliPrompt();
  promptLine_.clear();
  Forget();
  const int timeoutMs = static_cast<int>(timeout_.count());
  if (!stream_->Connect(timeoutMs, problem, refused) || !LogIn(problem, refused) ||
      !Enable(problem)) {
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

bool CliSession::LogIn(std::string& problem, bool& refused) {
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

bool CliSession::Enable(std::string& problem) {
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
void CliSession::DropLateOutput() {
  while (stream_->Read(received_, 0) == ByteStream::Got::kData) received_.clear();
  Forget();
}

CliSession::Result CliSession::Run(const std::string& command, std::string& reply) {
  reply.clear();
  if (stream_->IsOpen()) DropLateOutput();
  if (!stream_->IsOpen()) return Result::kClosed;
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
