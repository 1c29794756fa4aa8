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
bool IsPasswordPrompt(const std::string& last) { return EndsWith(last, "assword:"); }

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

// A router echoes a line typed ahead as soon as it shows the prompt it
// follows; this is the least it is given for that.
const std::chrono::milliseconds kEchoWait{500};

// "30 s", "1.5 s", for messages.
std::string Seconds(std::chrono::milliseconds duration) {
  const long ms = static_cast<long>(duration.count());
  std::string text = std::to_string(ms / 1000);
  if (ms % 1000) text += "." + std::to_string(ms % 1000 / 100);
  return text + " s";
}

}  // namespace

CliSession::CliSession(std::unique_ptr<ByteStream> stream, CliLogin login, int timeoutMs,
                       bool pagingOff)
    : stream_(std::move(stream)),
      login_(std::move(login)),
      timeout_(timeoutMs),
      pagingOff_(pagingOff) {}

CliSession::~CliSession() { Close(); }

void CliSession::Close() {
  stream_->Close();
  ahead_.commands.clear();
  ahead_.onPrompt = false;
}

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
    pageScan_ =
        std::max(pageScan_, received_.size() - std::min(received_.size(), sizeof kPageMark - 2));
    if (done()) return Result::kReply;
    if (!stream_->IsOpen()) return Result::kClosed;
    if (received_.size() > kMaxReplyBytes) return Result::kTooLarge;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
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

ConnectStatus CliSession::Open() {
  Close();
  prompt_ = CliPrompt();
  promptLine_.clear();
  Forget();
  const int timeoutMs = static_cast<int>(timeout_.count());
  ConnectStatus opened = stream_->Connect(timeoutMs);
  if (opened.ok()) opened = LogIn();
  if (opened.ok()) opened = Enable();
  if (!opened.ok()) {
    Close();
    return opened;
  }
  std::string reply;
  if (pagingOff_ && Run(kNoPaging, reply) != Result::kReply) {
    return Status::Failure(Where() + " did not answer \"" + kNoPaging + "\"");
  }
  if (Run(kWideLines, reply) != Result::kReply) {
    return Status::Failure(Where() + " did not answer \"" + kWideLines + "\"");
  }
  return ConnectStatus();
}

ConnectStatus CliSession::LogIn() {
  const Clock::time_point deadline = Clock::now() + timeout_;
  const std::string who =
      login_.user.empty() ? std::string("the login") : "the login of user " + login_.user;
  bool userSent = false, passwordSent = false;
  for (;;) {
    std::string last;
    const Result result = Receive(deadline, [&] {
      last = LastLine(received_);
      return IsUserPrompt(last) || IsPasswordPrompt(last) || AtPrompt();
    });
    if (result != Result::kReply) return LoginCutShort(result, who, userSent || passwordSent);
    if (!prompt_.host.empty()) return ConnectStatus();
    Forget();
    const Status answered = AnswerLoginPrompt(IsUserPrompt(last), who, userSent, passwordSent);
    if (!answered.ok()) return ConnectStatus::Refused(answered.message());
  }
}

ConnectStatus CliSession::LoginCutShort(Result result, const std::string& who,
                                        bool answered) const {
  if (result == Result::kClosed) {
    if (answered)
      return ConnectStatus::Refused(Where() + " refused " + who + " (closed the connection)");
    return Status::Failure(Where() + " closed the connection before a login prompt");
  }
  // We gave up waiting: that is no refusal.
  const std::string within = " within " + Seconds(timeout_);
  return Status::Failure(
      Where() + (answered ? " did not answer " + who + within : " sent no login prompt" + within));
}

Status CliSession::AnswerLoginPrompt(bool userPrompt, const std::string& who, bool& userSent,
                                     bool& passwordSent) {
  if (userPrompt) {
    if (login_.user.empty() || userSent) {
      return Status::Failure(
          Where() + (userSent ? " refused " + who : " asks for a user name (give --user)"));
    }
    Send(login_.user + "\n");
    userSent = true;
    return Status();
  }
  if (passwordSent) {
    // The router accepts no second attempt on a connection.
    return Status::Failure(Where() + " refused " + who + " (wrong password)");
  }
  Send(login_.password + "\n");
  passwordSent = true;
  return Status();
}

ConnectStatus CliSession::Enable() {
  if (prompt_.mark != '>') return ConnectStatus();
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
  if (result != Result::kReply) return Status::Failure(Where() + " did not finish \"enable\"");
  // In user mode the show commands answer less or not at all: no discovery.
  if (prompt_.mark == '>') {
    return ConnectStatus::Refused(Where() + " refused \"enable\" (check the enable password)");
  }
  return ConnectStatus();
}

// A reply that held a line looking like the prompt may have been taken as
// complete early; its rest must not pass for the next command's reply.
void CliSession::DropLateOutput() {
  while (stream_->Read(received_, 0) == ByteStream::Got::kData) {
    lateBytes_ += received_.size();
    received_.clear();
  }
  Forget();
}

// Where the reply to `command` starts: after the line that echoes it, alone
// or after a prompt; npos while that line has not come. Lines before
// `scanned` were looked at already.
size_t CliSession::AfterEcho(const std::string& command, size_t& scanned) const {
  const std::string wanted = Collapsed(command);
  for (size_t end; (end = received_.find('\n', scanned)) != std::string::npos; scanned = end + 1) {
    if (end - scanned > kLongestEcho) continue;
    const std::string line = Collapsed(CleanCliText(received_.substr(scanned, end - scanned)));
    if (line == wanted) return end + 1;
    if (line.size() > wanted.size() &&
        line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0 &&
        ParseCliPrompt(line.substr(0, line.size() - wanted.size()), prompt_.host)) {
      return end + 1;
    }
  }
  return std::string::npos;
}

CliSession::Result CliSession::Run(const std::string& command, std::string& reply) {
  reply.clear();
  lateBytes_ = 0;
  if (stream_->IsOpen()) DropLateOutput();
  if (!stream_->IsOpen()) return Result::kClosed;
  Send(command + "\n");
  // Once the router is known to echo, output before the echo belongs to an
  // earlier reply, however much it looks like this one.
  size_t start = std::string::npos, scanned = 0, echoLine = 0;
  const Result result = Receive(Clock::now() + timeout_, [&] {
    if (start == std::string::npos) {
      start = AfterEcho(command, scanned);
      if (start != std::string::npos) echoLine = scanned;
    }
    if (echoes_ && start == std::string::npos) return false;
    return received_.find('\n', start == std::string::npos ? 0 : start - 1) != std::string::npos &&
           AtPrompt();
  });
  if (result != Result::kReply) {
    Close();
    return result;
  }
  if (start == std::string::npos)
    start = 0;  // a router that does not echo
  else
    echoes_ = true;
  lateBytes_ += echoLine;
  // The reply is cut out of what was received in place: a reply of hundreds
  // of megabytes is not copied once more on its way.
  received_.resize(std::max(start, received_.rfind('\n') + 1));
  received_.erase(0, start);
  reply = CleanCliText(std::move(received_));
  std::string().swap(received_);
  pageScan_ = 0;
  return Result::kReply;
}

void CliSession::TypeAhead(const std::string& command) {
  if (ahead_.commands.empty()) {
    // A batch starts as Run does: what an earlier reply left is dropped.
    lateBytes_ = 0;
    if (stream_->IsOpen()) DropLateOutput();
    ahead_.firstAt = Clock::now();
  }
  ahead_.commands.push_back(command);
  Send(command + "\n");
}

std::chrono::milliseconds CliSession::EchoWait() const {
  return std::min(timeout_, 2 * ahead_.slowestEcho + kEchoWait);
}

CliSession::Result CliSession::TakeReply(std::string& reply) {
  reply.clear();
  if (ahead_.commands.empty()) return Result::kClosed;
  if (ahead_.onPrompt) lateBytes_ = 0;
  const Clock::time_point deadline = Clock::now() + timeout_;
  size_t start = 0, end = 0;
  Result result = AwaitEcho(deadline, start);
  if (result == Result::kReply) result = AwaitPrompt(deadline, start, end);
  if (result != Result::kReply) {
    Close();
    return result;
  }
  ahead_.commands.pop_front();
  ahead_.onPrompt = !ahead_.commands.empty();
  // What follows the reply is the next command's echo line (and maybe more
  // replies), or the prompt. Whichever is smaller is copied.
  end = std::max(start, end);
  if (!ahead_.onPrompt || end - start >= received_.size() - end) {
    std::string rest = ahead_.onPrompt ? received_.substr(end) : std::string();
    received_.resize(end);
    received_.erase(0, start);
    reply = CleanCliText(std::move(received_));
    received_ = std::move(rest);
  } else {
    reply = CleanCliText(received_.substr(start, end - start));
    received_.erase(0, end);
  }
  pageScan_ = 0;
  return Result::kReply;
}

CliSession::Result CliSession::AwaitEcho(Clock::time_point deadline, size_t& start) {
  if (ahead_.onPrompt) {
    // The line of the prompt that ended the last reply is this command's echo.
    start = received_.find('\n') + 1;
    return Result::kReply;
  }
  size_t scanned = 0;
  const std::string& command = ahead_.commands.front();
  const Result result = Receive(deadline, [&] {
    start = AfterEcho(command, scanned);
    return start != std::string::npos;
  });
  if (result != Result::kReply) return result;
  lateBytes_ += scanned;
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - ahead_.firstAt);
  ahead_.slowestEcho = std::max(ahead_.slowestEcho, took);
  return result;
}

CliSession::Result CliSession::AwaitPrompt(Clock::time_point deadline, size_t start, size_t& end) {
  size_t scanned = start;
  bool outOfStep = false, echoAwaited = false;
  Clock::time_point until = deadline;
  for (;;) {
    end = std::string::npos;
    const Result result = Receive(until, [&] {
      end = ReplyEnd(scanned, outOfStep);
      if (end != std::string::npos || outOfStep) return true;
      // A prompt that more was typed on: its echo must come soon.
      return !echoAwaited && ahead_.commands.size() > 1 &&
             ParseCliPrompt(LastLine(received_), prompt_.host).has_value();
    });
    // The prompt came, the echo of what was typed on it did not: lost.
    if (result == Result::kTimeout && until < deadline) return Result::kOutOfStep;
    if (result != Result::kReply) return result;
    if (outOfStep) return Result::kOutOfStep;
    if (end != std::string::npos) return Result::kReply;
    echoAwaited = true;
    until = std::min(deadline, Clock::now() + EchoWait());
  }
}

size_t CliSession::ReplyEnd(size_t& scanned, bool& outOfStep) {
  std::string prompt, typed;
  for (size_t end; (end = received_.find('\n', scanned)) != std::string::npos; scanned = end + 1) {
    if (!PromptedLine(scanned, end, prompt, typed)) continue;
    if (ahead_.commands.size() < 2 || typed != Collapsed(ahead_.commands[1])) {
      // A prompt with another command on it or none: the router read
      // something else than what was typed next.
      outOfStep = true;
      return std::string::npos;
    }
    prompt_ = *ParseCliPrompt(prompt, prompt_.host);
    promptLine_ = prompt;
    return scanned;
  }
  // The last command typed ends where Run's would.
  if (ahead_.commands.size() == 1 && AtPrompt()) return received_.rfind('\n') + 1;
  return std::string::npos;
}

bool CliSession::PromptedLine(size_t begin, size_t end, std::string& prompt,
                              std::string& typed) const {
  // Most lines are output: only one that starts with the host name is looked at.
  while (begin < end && (received_[begin] == '\r' || received_[begin] == '\0')) ++begin;
  const std::string& host = prompt_.host;
  if (end - begin > kLongestEcho || received_.compare(begin, host.size(), host) != 0) return false;
  const std::string line = CleanCliText(received_.substr(begin, end - begin));
  const size_t mark = line.find_first_of("#>");
  if (mark == std::string::npos || !ParseCliPrompt(line.substr(0, mark + 1), host)) return false;
  prompt = line.substr(0, mark + 1);
  typed = Collapsed(line.substr(mark + 1));
  return true;
}
