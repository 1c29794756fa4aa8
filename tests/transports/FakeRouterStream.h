// A router's CLI in memory, for the session pool and the live transport
// without a process or a socket. Every connection to the same FakeRouter
// shares its script and its log; each stream is one connection at a time.
//
//   auto router = std::make_shared<FakeRouter>();
//   router->replies["show version"] = "Version 1\n";
//   router->hangOn.insert("show ip vrf");              // never answered: a stall
//   CliSession session(std::make_unique<FakeRouterStream>(router), {}, 200);
//
// A line is echoed, then the reply, then the prompt ("pe1#", "pe1:vr2#"),
// read back at most 4 KiB at a time as from a socket. `virtual-router NAME`
// moves the connection; a command without a reply is answered "% Invalid input".
#ifndef TESTS_TRANSPORTS_FAKEROUTERSTREAM_H_
#define TESTS_TRANSPORTS_FAKEROUTERSTREAM_H_

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "transports/ByteStream.h"

struct FakeRouter {
  std::map<std::string, std::string> replies;  // by command
  std::set<std::string> hangOn;                // echoed, never answered
  int hangFromConnection = 1;                  // ... on the Nth connection and later
  std::set<std::string> dropOn;                // the connection closes after the echo
  int dropsLeft = 1000;                        // how many times dropOn may drop
  int refuseConnectionsFrom = 0;               // the Nth connection and later fail (0: none)
  int newKeyFromConnection = 0;                // the Nth connection and later show another host key
  // Lines typed while output is still unread are lost, as on a router that
  // flushes its input when it starts a command.
  bool dropTypeAhead = false;
  std::set<std::string> lostOnce;  // lost on the way the first time each is written
  // Shown instead of the prompt on connecting: a login that ends with
  // `password` typed (asked again for another), or without one never: in
  // silence or, with `loginCloses`, by closing at the first line typed.
  std::string loginPrompt;
  std::string password;
  bool loginCloses = false;
  int typedAhead = 0;  // lines written while output was still unread, kept or lost

  // What the router saw, one entry per line read, with the connection's number: "2 show ip vrf".
  std::vector<std::string> Seen() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
  }
  // The lines that connection `number` read, without the login's terminal settings.
  std::vector<std::string> SeenOn(int number) {
    std::vector<std::string> lines;
    const std::string prefix = std::to_string(number) + " ";
    for (const std::string& line : Seen()) {
      if (line.rfind(prefix, 0) == 0 && line.find("terminal ") == std::string::npos) {
        lines.push_back(line.substr(prefix.size()));
      }
    }
    return lines;
  }
  int Connections() {
    std::lock_guard<std::mutex> lock(mutex);
    return connections;
  }

  std::mutex mutex;
  std::vector<std::string> seen;
  int connections = 0;
};

class FakeRouterStream : public ByteStream {
 public:
  explicit FakeRouterStream(std::shared_ptr<FakeRouter> router) : router_(std::move(router)) {}

  ConnectStatus Connect(int) override {
    std::lock_guard<std::mutex> lock(router_->mutex);
    number_ = ++router_->connections;
    untrusted_ = router_->newKeyFromConnection && number_ >= router_->newKeyFromConnection;
    if (untrusted_ ||
        (router_->refuseConnectionsFrom && number_ >= router_->refuseConnectionsFrom)) {
      return Status::Failure(Where() +
                             (untrusted_ ? " shows another host key" : " is not reachable"));
    }
    open_ = true;
    closing_ = hung_ = false;
    context_ = "default";
    input_.clear();
    loggingIn_ = !router_->loginPrompt.empty();
    output_ = loggingIn_ ? router_->loginPrompt : Prompt();
    taken_ = 0;
    return ConnectStatus();
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  Got Read(std::string& into, int waitMs) override {
    if (!open_) return Got::kClosed;
    if (!Unread()) {
      open_ = !closing_;
      // A stall: what the session waits for does not come.
      if (open_) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(waitMs, 5)));
      return open_ ? Got::kNothing : Got::kClosed;
    }
    const size_t size = std::min<size_t>(output_.size() - taken_, 4096);
    into.append(output_, taken_, size);
    taken_ += size;
    if (!Unread()) {
      output_.clear();
      taken_ = 0;
    }
    return Got::kData;
  }
  void Write(const std::string& bytes) override {
    if (!open_ || closing_) return;
    const bool typeAhead = Unread() || hung_;
    {
      std::lock_guard<std::mutex> lock(router_->mutex);
      if (typeAhead) ++router_->typedAhead;
      if (router_->lostOnce.erase(bytes.substr(0, bytes.find('\r')))) return;
    }
    if (typeAhead && router_->dropTypeAhead) return;
    input_ += bytes;
    for (size_t end; (end = input_.find('\n')) != std::string::npos;) {
      std::string line = input_.substr(0, end);
      input_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      Handle(line);
    }
  }
  const char* LineEnd() const override { return "\r\n"; }
  std::string Where() const override { return "fake:23"; }
  bool Untrusted() const override { return untrusted_; }

 private:
  std::string Prompt() const { return context_ == "default" ? "pe1#" : "pe1:" + context_ + "#"; }
  bool Unread() const { return taken_ < output_.size(); }

  void Handle(const std::string& line) {
    {
      std::lock_guard<std::mutex> lock(router_->mutex);
      router_->seen.push_back(std::to_string(number_) + " " + line);
    }
    if (loggingIn_ && router_->password.empty()) {
      closing_ = router_->loginCloses;
      return;
    }
    if (loggingIn_) {
      loggingIn_ = line != router_->password;
      output_ += "\r\n" + (loggingIn_ ? router_->loginPrompt : Prompt());
      return;
    }
    if (hung_) return;
    output_ += line + "\r\n";
    if (router_->hangOn.count(line) && number_ >= router_->hangFromConnection) {
      hung_ = true;
      return;
    }
    if (router_->dropOn.count(line)) {
      std::lock_guard<std::mutex> lock(router_->mutex);
      if (router_->dropsLeft > 0) {
        --router_->dropsLeft;
        closing_ = true;
        return;
      }
    }
    if (line.rfind("virtual-router ", 0) == 0) {
      // The router reads words: blanks around the name do not count.
      context_ = line.substr(line.find_first_not_of(' ', 15));
      context_.erase(context_.find_last_not_of(' ') + 1);
    } else if (line.rfind("terminal ", 0) != 0) {
      auto reply = router_->replies.find(line);
      output_ += reply == router_->replies.end() ? "% Invalid input detected\r\n" : reply->second;
    }
    output_ += Prompt();
  }

  std::shared_ptr<FakeRouter> router_;
  int number_ = 0;
  bool open_ = false;
  bool closing_ = false;  // the rest of the output is sent, then the connection closes
  bool hung_ = false;     // busy with a command that never ends
  bool loggingIn_ = false;
  bool untrusted_ = false;
  std::string context_;
  std::string input_, output_;
  size_t taken_ = 0;  // of output_, read already
};

#endif  // TESTS_TRANSPORTS_FAKEROUTERSTREAM_H_
