// One logged-in session with a router's CLI over a byte stream (Telnet or
// SSH): answers the login prompts, enters privileged mode, turns paging off,
// and then runs one command at a time, returning what the command printed.
//
//   CliSession session(std::make_unique<TelnetStream>("127.0.0.1", 2323), login, 30000);
//   if (ConnectStatus opened = session.Open(); !opened.ok()) ...;
//   std::string reply;
//   if (session.Run("show ip vrf", reply) == CliSession::Result::kReply) ...;
//
// Commands may also be typed ahead: several written before their replies are
// read, each reply then taken, in the order typed, after the echo of its own
// command up to the next prompt:
//
//   session.TypeAhead("show ip vrf");
//   session.TypeAhead("show version");
//   session.TakeReply(reply);  // the reply to "show ip vrf"
#ifndef TRANSPORTS_CLISESSION_H_
#define TRANSPORTS_CLISESSION_H_

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "transports/ByteStream.h"
#include "transports/CliText.h"
#include "transports/ConnectStatus.h"

struct CliLogin {
  std::string user;  // empty: the router is expected to ask no user name
  std::string password;
  std::string enablePassword;  // asked by "enable"
};

class CliSession {
 public:
  // kOutOfStep: the router lost or reordered commands typed ahead (TakeReply).
  enum class Result { kReply, kTimeout, kClosed, kTooLarge, kOutOfStep };

  // No router prints a reply this large; past it the output is a flood, not a reply.
  static constexpr size_t kMaxReplyBytes = size_t{256} << 20;
  // A longer line is output, never the echo of a command we sent.
  static constexpr size_t kLongestEcho = 4096;

  // `timeoutMs` bounds the connection, the login and every command.
  // `pagingOff` sends "terminal length 0" after login; otherwise page marks
  // are answered with a blank as they come.
  CliSession(std::unique_ptr<ByteStream> stream, CliLogin login, int timeoutMs,
             bool pagingOff = true);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Connects (again, when it was open before). A refusal tells a login the
  // router turned down from a router that could not be reached.
  ConnectStatus Open();
  // The reply is everything after the echoed command line up to the next
  // prompt, cleaned as CleanCliText does. A timeout, a closed connection or a
  // reply over kMaxReplyBytes leaves the session closed.
  Result Run(const std::string& command, std::string& reply);
  void Close();
  bool IsOpen() const { return stream_->IsOpen(); }

  // Writes `command` now, whatever replies are still unread.
  void TypeAhead(const std::string& command);
  // Commands typed ahead whose replies were not taken yet.
  size_t TypedAhead() const { return ahead_.commands.size(); }
  // The reply to the oldest command typed ahead, as Run gives it. kOutOfStep
  // when the router lost or reordered what was typed: a line with its prompt
  // and another command or none, or no echo soon after a prompt (twice the
  // slowest echo so far and half a second, at most the timeout). Any result
  // but kReply closes the session, and what was typed is forgotten.
  Result TakeReply(std::string& reply);
  // The router echoes what it is sent (known after the first command).
  bool Echoes() const { return echoes_; }

  const std::string& Host() const { return prompt_.host; }
  // The prompt the router shows now ("pe1:vr2#") and what it says.
  const std::string& PromptLine() const { return promptLine_; }
  // Bytes that came before the echo of the last command: the rest of an
  // earlier reply that held a line like the prompt, dropped.
  size_t LateBytes() const { return lateBytes_; }
  const CliPrompt& Prompt() const { return prompt_; }
  std::string Where() const { return stream_->Where(); }
  int TimeoutMs() const { return static_cast<int>(timeout_.count()); }
  // The last Open met a peer that is not known to be the router.
  bool Untrusted() const { return stream_->Untrusted(); }

 private:
  using Clock = std::chrono::steady_clock;
  // Answers the login prompts until the first CLI prompt, which names the host.
  ConnectStatus LogIn();
  // Why a login ended before the first CLI prompt; `answered`: a user name or
  // password had been sent.
  ConnectStatus LoginCutShort(Result result, const std::string& who, bool answered) const;
  // Answers a prompt for the user name or the password; a failure when the
  // router asks again: it refused the login.
  Status AnswerLoginPrompt(bool userPrompt, const std::string& who, bool& userSent,
                           bool& passwordSent);
  // From user mode into privileged mode; a router that refuses it refuses the discovery.
  ConnectStatus Enable();
  // Reads until `done()` holds; answers page marks on the way.
  Result Receive(Clock::time_point deadline, const std::function<bool()>& done);
  void Send(const std::string& text);
  // Drops what was received so far.
  void Forget();
  // Reads and drops what arrived since the last reply.
  void DropLateOutput();
  bool AtPrompt();
  size_t AfterEcho(const std::string& command, size_t& scanned) const;
  // Type-ahead: where the reply to the oldest command typed starts (after
  // its echo), and where it ends (where the line of the next prompt starts).
  Result AwaitEcho(Clock::time_point deadline, size_t& start);
  Result AwaitPrompt(Clock::time_point deadline, size_t start, size_t& end);
  // Where the reply ends, once the prompt after it came; `outOfStep` when a
  // line with the prompt shows what was not typed next.
  size_t ReplyEnd(size_t& scanned, bool& outOfStep);
  // True for a line (from `begin` to its newline at `end`) that is the prompt
  // followed by `typed`: the echo of a command, or nothing.
  bool PromptedLine(size_t begin, size_t end, std::string& prompt, std::string& typed) const;
  std::chrono::milliseconds EchoWait() const;

  std::unique_ptr<ByteStream> stream_;
  CliLogin login_;
  std::chrono::milliseconds timeout_;
  bool pagingOff_;
  std::string received_;
  size_t pageScan_ = 0;  // where the next unanswered page mark may start
  CliPrompt prompt_;
  std::string promptLine_;
  bool echoes_ = false;  // the router echoes commands: a reply starts after the echo
  size_t lateBytes_ = 0;
  // The commands typed ahead, and how slowly the router echoes them.
  struct TypeAheadState {
    std::deque<std::string> commands;  // typed ahead, replies not taken yet
    bool onPrompt = false;             // received_ starts with the prompt the next echo follows
    Clock::time_point firstAt;         // when the first command of the batch was typed
    std::chrono::milliseconds slowestEcho{0};
  };
  TypeAheadState ahead_;
};

#endif  // TRANSPORTS_CLISESSION_H_
