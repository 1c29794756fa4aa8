#include "simulator/RouterSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

const char kPageMark[] = " --More-- ";
// Backspaces over the mark, blanks over it, backspaces again.
const std::string kErasePageMark = std::string(sizeof kPageMark - 1, '\b') +
                                   std::string(sizeof kPageMark - 1, ' ') +
                                   std::string(sizeof kPageMark - 1, '\b');
const char kSwitchCommand[] = "virtual-router ";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

RouterSession::RouterSession(std::unique_ptr<RouterLink> link, const RouterSetup& setup,
                             bool loggedIn)
    : link_(std::move(link)), setup_(setup), loggedIn_(loggedIn) {}

RouterSession::~RouterSession() = default;

void RouterSession::Send(const std::string& bytes) {
  if (closed_) return;
  const size_t limit = setup_.faults.dropAfter;
  const bool drop = limit > 0 && sent_ + bytes.size() >= limit;
  const size_t size = drop ? limit - sent_ : bytes.size();
  if (!(drop ? link_->Send(bytes.substr(0, size)) : link_->Send(bytes))) closed_ = true;
  sent_ += size;
  if (drop) {
    link_->HangUp();
    closed_ = true;
  }
}

bool RouterSession::Receive() {
  if (closed_ || !link_->Receive(input_)) closed_ = true;
  arrivals_.emplace_back(consumed_ + input_.size(), Clock::now());
  return !closed_;
}

void RouterSession::Consume(size_t count) {
  input_.erase(0, count);
  consumed_ += count;
  while (!arrivals_.empty() && arrivals_.front().first <= consumed_) arrivals_.pop_front();
}

void RouterSession::HoldUntil(Clock::time_point wake) {
  // Commands typed ahead meanwhile are stamped as they come, so that each
  // reply is held from its own command's arrival, not from when it is read.
  for (Clock::time_point now = Clock::now(); now < wake && !closed_; now = Clock::now()) {
    const size_t had = input_.size();
    if (!link_->ReceiveArrived(input_)) break;
    if (input_.size() != had) arrivals_.emplace_back(consumed_ + input_.size(), Clock::now());
    std::this_thread::sleep_for(
        std::min<Clock::duration>(wake - now, std::chrono::milliseconds(1)));
  }
}

void RouterSession::DropTypedAhead() {
  if (!closed_ && !link_->ReceiveArrived(input_)) closed_ = true;
  Consume(input_.size());
}

bool RouterSession::ReadLine(std::string& line, bool echo) {
  for (;;) {
    // "\r\n", "\r\0" and a lone "\n" all end a line.
    if (afterCarriageReturn_ && !input_.empty()) {
      if (input_[0] == '\n' || input_[0] == '\0') Consume(1);
      afterCarriageReturn_ = false;
    }
    const size_t end = input_.find_first_of("\r\n");
    if (end != std::string::npos) {
      afterCarriageReturn_ = input_[end] == '\r';
      line = input_.substr(0, end);
      const size_t lineEnd = consumed_ + end;
      const auto arrival = std::find_if(arrivals_.begin(), arrivals_.end(),
                                        [lineEnd](const auto& a) { return a.first > lineEnd; });
      lineArrived_ = arrival == arrivals_.end() ? Clock::now() : arrival->second;
      Consume(end + 1);
      Send(echo ? line + "\r\n" : "\r\n");
      return !closed_;
    }
    if (!Receive()) return false;
  }
}

bool RouterSession::ReadKey(char& key) {
  while (input_.empty()) {
    if (!Receive()) return false;
  }
  key = input_[0];
  Consume(1);
  return true;
}

void RouterSession::Hang() {
  // Reads and forgets whatever comes until the client gives up.
  while (Receive()) Consume(input_.size());
}

std::string RouterSession::Prompt() const {
  return setup_.capture->host + (context_ == "default" ? "" : ":" + context_) + mark_;
}

bool RouterSession::LogIn() {
  std::string user, password;
  if (!setup_.user.empty()) {
    Send("User: ");
    if (!ReadLine(user, true)) return false;
    Send("Password: ");
  } else if (setup_.linePassword) {
    Send("Telnet password: ");
  } else {
    return true;
  }
  if (!ReadLine(password, false)) return false;
  if (user == setup_.user && password == setup_.password) return true;
  // No second attempt on this connection.
  Send("% Login invalid\r\n");
  return false;
}

void RouterSession::Serve() {
  link_->Start();
  if (!loggedIn_ && !LogIn()) return;
  Send("\r\n");
  std::string line;
  while (!closed_) {
    Send(Prompt());
    if (!ReadLine(line, true)) return;
    // The reply leaves when a router that far away would have sent it: a
    // command that came with others typed ahead waits no longer than they.
    HoldUntil(lineArrived_ + std::chrono::milliseconds(setup_.faults.latencyMs));
    Handle(CollapsedCommand(line));
    if (setup_.faults.dropTypeAhead) DropTypedAhead();
  }
}

// A hang or a drop that the faults put on this command; true when one did.
bool RouterSession::FaultTakes(const std::string& command) {
  const std::string& hangOn = setup_.faults.hangOn;
  const bool show = StartsWith(command, "show ");
  if (!hangOn.empty() && (command == hangOn || (hangOn == "*" && show))) {
    Hang();
    return true;
  }
  // Counted over the whole simulator: a client's new connection finds it hung still.
  static std::atomic<long> showsAnswered{0};
  if (show && setup_.faults.hangAfter >= 0 && showsAnswered++ >= setup_.faults.hangAfter) {
    Hang();
    return true;
  }
  if (!setup_.faults.dropOn.empty() && command == setup_.faults.dropOn) {
    link_->HangUp();
    closed_ = true;
    return true;
  }
  return false;
}

void RouterSession::Enable() {
  std::string password;
  const bool refuse = setup_.faults.refuseEnable;
  if (!setup_.enablePassword.empty() || refuse) {
    Send("Password: ");
    if (!ReadLine(password, false)) return;
    if (refuse || password != setup_.enablePassword) return Send("% Access denied\r\n");
  }
  mark_ = '#';
}

// The captured reply; the prompt-in fault shows a prompt in the middle of it.
void RouterSession::Answer(const std::string& command, const std::string& reply) {
  if (command != setup_.faults.promptIn) return SendReply(reply);
  const size_t half = reply.find('\n', reply.size() / 2);
  SendReply(reply.substr(0, half == std::string::npos ? reply.size() : half + 1));
  Send(Prompt());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Send("\r\n");
  if (half != std::string::npos) SendReply(reply.substr(half + 1));
}

void RouterSession::Handle(const std::string& command) {
  if (command.empty() || FaultTakes(command)) return;
  if (command == "exit" || command == "logout" || command == "quit") {
    link_->HangUp();
    closed_ = true;
  } else if (command == "enable" || command == "enable 15") {
    Enable();
  } else if (command == "disable") {
    mark_ = '>';
  } else if (StartsWith(command, "terminal length ")) {
    pageLength_ = std::atoi(command.c_str() + sizeof "terminal length " - 1);
  } else if (StartsWith(command, "terminal width ")) {
    // Capture lines are sent as they are.
  } else if (StartsWith(command, kSwitchCommand)) {
    const std::string name = command.substr(sizeof kSwitchCommand - 1);
    if (setup_.capture->contexts.count(name)) {
      context_ = name;
    } else {
      Send("% Virtual router " + name + " does not exist\r\n");
    }
  } else if (const std::string* reply = setup_.capture->Reply(context_, command)) {
    Answer(command, *reply);
  } else {
    Send("% Invalid input detected at '^' marker.\r\n");
  }
}

void RouterSession::SendReply(const std::string& reply) {
  // Lines leave together, as a router's output buffer sends them; a page
  // mark, a slow line or a full buffer sends what is waiting.
  const size_t kBuffer = 64 << 10;
  std::string waiting;
  auto flush = [&] {
    Send(waiting);
    waiting.clear();
  };
  size_t start = 0;
  for (int number = 0; start < reply.size() && !closed_; ++number) {
    size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    const std::string line = reply.substr(start, end - start);
    start = end + 1;
    if (pageLength_ > 0 && number > 0 && number % pageLength_ == 0) {
      flush();
      Send(kPageMark);
      char key = ' ';
      if (!ReadKey(key)) return;
      if (key == 'q') return Send("\r\n");
      Send(kErasePageMark);
    }
    if (setup_.faults.slowMs > 0) {
      flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(setup_.faults.slowMs));
    }
    const bool noisy =
        setup_.faults.noise && number % 3 == 1 && line.find_first_not_of(' ') != std::string::npos;
    if (noisy) {
      waiting += '\0';
      waiting.append(kPageMark).append(kErasePageMark).append(line);
      waiting += '\r';
      waiting += '\0';
      waiting += "\r\n";
    } else {
      waiting += line + "\r\n";
    }
    if (waiting.size() >= kBuffer) flush();
  }
  if (!waiting.empty()) flush();
}
