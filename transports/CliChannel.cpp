#include "transports/CliChannel.h"

#include <iostream>

#include "readers/VirtualRouterCommand.h"
#include "transports/CliText.h"

namespace {

// Drops that a session may cost before it is given up, so that a router that
// keeps hanging up is not called again and again; each command may cost two.
const int kReconnects = 6;
// A router that lets this many commands in a row time out is hung: waiting
// the timeout for each of the rest would only multiply the wait.
const int kTimeoutsInARow = 3;

}  // namespace

CliChannel::CliChannel(std::unique_ptr<ByteStream> stream, CliLogin login, int timeoutMs,
                       bool pagingOff, const DeviceDeadline& deadline)
    : session_(
          std::make_unique<CliSession>(std::move(stream), std::move(login), timeoutMs, pagingOff)),
      deadline_(deadline),
      reconnectsLeft_(kReconnects) {}

ConnectStatus CliChannel::Open() {
  if (!session_) return Status::Failure("");
  tried_ = true;
  ConnectStatus opened = session_->Open();
  if (opened.ok()) context_ = session_->Prompt().context;
  return opened;
}

bool CliChannel::GivenUp() {
  if (deadline_.Passed()) {
    GiveUp("the device's deadline of " + std::to_string(deadline_.seconds) + " s passed");
  }
  return !tally_.whyNotSent.empty();
}

TransportHealth CliChannel::CollectTally() {
  TransportHealth counts = std::move(tally_);
  tally_ = TransportHealth();
  tally_.whyNotSent = counts.whyNotSent;
  return counts;
}

bool CliChannel::Reconnect() {
  if (IsOpen()) return true;
  if (!session_) return false;
  if (reconnectsLeft_ <= 0) {
    GiveUp("the connection dropped " + std::to_string(tally_.cli.reconnections) +
           " times, the most one device may cost");
    return false;
  }
  --reconnectsLeft_;
  ++tally_.cli.reconnections;
  const std::string wanted = context_;
  if (ConnectStatus opened = session_->Open(); !opened.ok()) {
    if (session_->Untrusted()) distrust_ = opened.message();
    GiveUp("logging in again failed: " + opened.message());
    return false;
  }
  context_ = session_->Prompt().context;
  std::string ignored;
  if (wanted != context_) Execute(SwitchCommand(wanted), ignored);
  return session_->IsOpen();
}

CommandOutcome CliChannel::Execute(const std::string& command, std::string& reply) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (GivenUp() || !Reconnect()) return CommandOutcome::kNotSent;
    const std::string prompt = session_->PromptLine();
    const CliSession::Result result = session_->Run(command, reply);
    NoteLateOutput(command);
    if (const auto outcome = Outcome(result, command, prompt, reply)) return *outcome;
  }
  return CommandOutcome::kCutOff;
}

void CliChannel::NoteLateOutput(const std::string& command) {
  if (session_->LateBytes() > 0 && !lastCommand_.empty()) {
    if (!tally_.cli.repliesCutShort++) tally_.cli.first.cutShort = lastCommand_;
  }
  lastCommand_ = command;
}

std::optional<CommandOutcome> CliChannel::Outcome(CliSession::Result result,
                                                  const std::string& command,
                                                  const std::string& prompt,
                                                  const std::string& reply) {
  switch (result) {
    case CliSession::Result::kReply:
      timeoutsInARow_ = 0;
      context_ = session_->Prompt().context;
      if (IsCliError(reply)) return CommandOutcome::kRefused;
      if (answered_) answered_({prompt, command, reply});
      return CommandOutcome::kAnswered;
    case CliSession::Result::kTooLarge:
      std::cerr << "erx-discover: the reply to \"" << command << "\" ran past "
                << (CliSession::kMaxReplyBytes >> 20) << " MiB; it is dropped\n";
      [[fallthrough]];
    case CliSession::Result::kTimeout:
      // The router may still be busy with it: a new session, and no reply.
      ++reconnectsLeft_;
      if (++timeoutsInARow_ >= kTimeoutsInARow) {
        GiveUp(std::to_string(timeoutsInARow_) + " commands in a row got no reply within " +
               std::to_string(session_->TimeoutMs() / 1000) + " s");
      }
      return CommandOutcome::kTimedOut;
    case CliSession::Result::kClosed:
    case CliSession::Result::kOutOfStep:
      break;  // resume on a new connection
  }
  return std::nullopt;
}

void CliChannel::Count(CommandOutcome outcome, const std::string& command) {
  if (outcome == CommandOutcome::kNotSent) {
    ++tally_.cli.notSent;
    return;
  }
  ++tally_.cli.sent;
  switch (outcome) {
    case CommandOutcome::kAnswered:
      ++tally_.cli.answered;
      break;
    case CommandOutcome::kRefused:
      ++tally_.cli.refused;
      break;
    case CommandOutcome::kTimedOut:
      if (!tally_.cli.timedOut++) tally_.cli.first.timedOut = command;
      break;
    case CommandOutcome::kCutOff:
      if (!tally_.cli.cutOff++) tally_.cli.first.cutOff = command;
      break;
    case CommandOutcome::kNotSent:
      break;
  }
}

void CliChannel::Settle(CommandOutcome outcome, const std::string& command, std::string& reply,
                        Replies& replies, const Done& done) {
  Count(outcome, command);
  replies.emplace_back(
      new CKelAtom(outcome == CommandOutcome::kAnswered ? reply.c_str() : nullptr));
  std::string().swap(reply);  // the atom holds its copy; a huge reply is not kept twice
  if (done) done(outcome);
}

std::vector<std::unique_ptr<CKelAtom>> CliChannel::Run(const std::string& router,
                                                       const std::vector<std::string>& commands,
                                                       const Done& done) {
  Replies replies;
  replies.reserve(commands.size());
  std::string reply;
  size_t next = 0;
  if (typeAhead_ > 1 && !typeAheadLost_) {
    // The move to where the request starts is typed ahead with it: a request
    // of two commands costs one round trip, not three.
    std::vector<std::string> typed;
    if (context_ != router) typed.push_back(SwitchCommand(router));
    const size_t moves = typed.size();
    typed.insert(typed.end(), commands.begin(), commands.end());
    next = RunTypedAhead(typed, moves, replies, done);
    next -= std::min(next, moves);
  }
  if (next == 0 && context_ != router) Execute(SwitchCommand(router), reply);
  for (; next < commands.size(); ++next) {
    const CommandOutcome outcome = Execute(commands[next], reply);
    Settle(outcome, commands[next], reply, replies, done);
  }
  return replies;
}

size_t CliChannel::RunTypedAhead(const std::vector<std::string>& commands, size_t moves,
                                 Replies& replies, const Done& done) {
  size_t next = 0;   // the first command without its outcome
  size_t typed = 0;  // commands [next, typed) are typed on this connection
  int drops = 0;     // of the connection during commands[next]
  std::string reply;
  while (next < commands.size()) {
    if (typed == next && (GivenUp() || !Reconnect())) {
      if (next >= moves) Settle(CommandOutcome::kNotSent, commands[next], reply, replies, done);
      typed = ++next;
      continue;
    }
    // A router that does not echo gives no way to tell the replies apart.
    if (!session_->Echoes()) return next;
    while (typed < commands.size() && typed - next < typeAhead_ && !GivenUp()) {
      session_->TypeAhead(commands[typed++]);
    }
    if (typed == next) continue;
    const std::string prompt = session_->PromptLine();
    const CliSession::Result result = session_->TakeReply(reply);
    NoteLateOutput(commands[next]);
    if (result == CliSession::Result::kOutOfStep) {
      // Whatever the router still holds of what was typed goes with this
      // connection; the rest of the device goes one command at a time.
      tally_.cli.typeAheadLostAt = commands[next];
      typeAheadLost_ = true;
      return next;
    }
    std::optional<CommandOutcome> outcome = Outcome(result, commands[next], prompt, reply);
    if (!outcome && ++drops < 2) {
      typed = next;  // typed again, from here, on a new connection
      continue;
    }
    if (result != CliSession::Result::kReply) typed = next + 1;
    drops = 0;
    if (next >= moves) {
      Settle(outcome.value_or(CommandOutcome::kCutOff), commands[next], reply, replies, done);
    }
    ++next;
  }
  return next;
}
