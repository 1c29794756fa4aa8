// One CLI session of a device's pool, with everything that belongs to it
// alone: where it stands (the virtual router, kept over reconnections), its
// reconnection budget, its timeouts in a row, what its commands came to and
// why it stopped. The pool's sessions each run in a thread of their own and
// share nothing but the device's deadline, which none of them changes.
//
// A command that the router rejects ("% Invalid input ...") or that gets no
// prompt back in time gets no reply; after a timeout the next command runs on
// a new connection. A dropped connection reconnects and resumes with the
// command that was cut off. Past the budget (too many reconnections, too many
// timeouts in a row, the deadline) the rest is not sent.
//
// With a type-ahead of N, up to N commands are written before their replies
// are read. A router that loses or reorders them is caught at the first sign
// (CliSession::TakeReply); the channel then drops that connection and sends
// the rest of the device, from the first command left unanswered, one at a
// time on a new one, and the health says so.
#ifndef TRANSPORTS_CLICHANNEL_H_
#define TRANSPORTS_CLICHANNEL_H_

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/KelBase.h"
#include "transports/ByteStream.h"
#include "transports/CliSession.h"
#include "transports/TransportHealth.h"

// Past this point in time nothing more of the device is sent or asked.
struct DeviceDeadline {
  std::chrono::steady_clock::time_point at = std::chrono::steady_clock::time_point::max();
  int seconds = 0;  // for the message
  bool Passed() const { return std::chrono::steady_clock::now() >= at; }
};

enum class CommandOutcome { kAnswered, kRefused, kTimedOut, kCutOff, kNotSent };

// One command as it was answered: the prompt it was typed on, and the reply.
struct CliExchange {
  std::string prompt, command, reply;
};

class CliChannel {
 public:
  // Gets every answered command as it comes.
  using Answered = std::function<void(const CliExchange&)>;
  // Gets what each command came to, after it.
  using Done = std::function<void(CommandOutcome)>;

  CliChannel(std::unique_ptr<ByteStream> stream, CliLogin login, int timeoutMs, bool pagingOff,
             const DeviceDeadline& deadline);

  // Connects and logs in: a failure when the router cannot be reached, a
  // refusal when it turned the login down.
  ConnectStatus Open();
  bool Tried() const { return tried_; }
  bool IsOpen() const { return session_ && session_->IsOpen(); }
  // Ends the session for good.
  void Close() { session_.reset(); }
  void OnAnswered(Answered answered) { answered_ = std::move(answered); }
  // Commands written ahead of the reply being read (1: one at a time).
  void TypeAhead(size_t depth) { typeAhead_ = std::max<size_t>(depth, 1); }

  // Runs `commands` starting in virtual router `router`: one reply per
  // command, an atom without text where none came.
  std::vector<std::unique_ptr<CKelAtom>> Run(const std::string& router,
                                             const std::vector<std::string>& commands,
                                             const Done& done = nullptr);
  // True once the rest of the device is not to be asked; Tally().whyNotSent says why.
  bool GivenUp();
  void GiveUp(const std::string& why) {
    if (tally_.whyNotSent.empty()) tally_.whyNotSent = why;
  }
  // Why the router stopped being trusted when it was connected to again (its
  // SSH host key changed); empty while trusted.
  const std::string& Distrust() const { return distrust_; }
  // The CLI counts since the last CollectTally, and why the channel stopped.
  const TransportHealth& Tally() const { return tally_; }
  // Hands the counts over (they start again from zero here); the reason to stop stays.
  TransportHealth CollectTally();

  const CliSession* Session() const { return session_.get(); }

 private:
  using Replies = std::vector<std::unique_ptr<CKelAtom>>;
  CommandOutcome Execute(const std::string& command, std::string& reply);
  // Runs commands typed ahead, the first `moves` of them (a move to another
  // virtual router) neither counted nor given a reply; returns how many got
  // their outcome, the rest being left to go one at a time.
  size_t RunTypedAhead(const std::vector<std::string>& commands, size_t moves, Replies& replies,
                       const Done& done);
  // What a command's result comes to; nothing when the connection dropped.
  std::optional<CommandOutcome> Outcome(CliSession::Result result, const std::string& command,
                                        const std::string& prompt, const std::string& reply);
  void NoteLateOutput(const std::string& command);
  void Settle(CommandOutcome outcome, const std::string& command, std::string& reply,
              Replies& replies, const Done& done);
  bool Reconnect();
  void Count(CommandOutcome outcome, const std::string& command);

  std::unique_ptr<CliSession> session_;
  const DeviceDeadline& deadline_;
  Answered answered_;
  bool tried_ = false;
  std::string context_ = "default";  // where the session stands
  std::string lastCommand_;          // whose reply more output may still follow
  int reconnectsLeft_;
  int timeoutsInARow_ = 0;
  size_t typeAhead_ = 1;
  bool typeAheadLost_ = false;  // one at a time for the rest of the device
  TransportHealth tally_;
  std::string distrust_;
};

#endif  // TRANSPORTS_CLICHANNEL_H_
