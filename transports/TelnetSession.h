// One logged-in Telnet session with a router's CLI: connects, answers the
// login prompts, enters privileged mode, turns paging off, and then runs one
// command at a time, returning what the command printed.
//
//   TelnetSession session("127.0.0.1", 2323, login, 30000);
//   if (!session.Open(problem, refused)) ...;
//   std::string reply;
//   if (session.Run("show ip vrf", reply) == TelnetSession::Result::kReply) ...;
//
// Option negotiation is libtelnet's; sockets, poll and timeouts are ours.
#ifndef TRANSPORTS_TELNETSESSION_H_
#define TRANSPORTS_TELNETSESSION_H_

#include <chrono>
#include <functional>
#include <string>

#include "transports/CliText.h"

struct telnet_t;
union telnet_event_t;

struct TelnetLogin {
  std::string user;            // empty: the router is expected to ask no user name
  std::string password;
  std::string enablePassword;  // asked by "enable"
};

class TelnetSession {
 public:
  enum class Result { kReply, kTimeout, kClosed, kTooLarge };

  // No router prints a reply this large; past it the output is a flood, not a reply.
  static constexpr size_t kMaxReplyBytes = size_t{256} << 20;

  // `timeoutMs` bounds the connection, the login and every command.
  // `pagingOff` sends "terminal length 0" after login; otherwise page marks
  // are answered with a blank as they come.
  TelnetSession(std::string address, int port, TelnetLogin login, int timeoutMs,
                bool pagingOff = true);
  ~TelnetSession();
  TelnetSession(const TelnetSession&) = delete;
  TelnetSession& operator=(const TelnetSession&) = delete;

  // False with `problem` set (one line, no secret in it). `refused` tells a
  // login the router turned down from a router that could not be reached.
  bool Open(std::string& problem, bool& refused);
  // The reply is everything after the echoed command line up to the next
  // prompt, cleaned as CleanCliText does. A timeout, a closed connection or a
  // reply over kMaxReplyBytes leaves the session closed.
  Result Run(const std::string& command, std::string& reply);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  const std::string& Host() const { return prompt_.host; }
  // The prompt the router shows now ("pe1:vr2#") and what it says.
  const std::string& PromptLine() const { return promptLine_; }
  const CliPrompt& Prompt() const { return prompt_; }
  std::string Where() const { return address_ + ":" + std::to_string(port_); }

 private:
  using Clock = std::chrono::steady_clock;
  bool Connect(std::string& problem);
  // Answers the login prompts until the first CLI prompt, which names the host.
  bool LogIn(std::string& problem, bool& refused);
  // From user mode into privileged mode, when the router lets us.
  bool Enable(std::string& problem);
  // Reads until `done()` holds; answers page marks on the way.
  Result Receive(Clock::time_point deadline, const std::function<bool()>& done);
  void Send(const std::string& text);
  // Drops what was received so far.
  void Forget();
  // Reads and drops what arrived since the last reply.
  void DropLateOutput();
  bool AtPrompt();
  static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* self);

  std::string address_;
  int port_;
  TelnetLogin login_;
  std::chrono::milliseconds timeout_;
  bool pagingOff_;
  int fd_ = -1;
  telnet_t* telnet_ = nullptr;
  std::string received_;
  size_t pageScan_ = 0;  // where the next unanswered page mark may start
  CliPrompt prompt_;
  std::string promptLine_;
};

#endif  // TRANSPORTS_TELNETSESSION_H_
