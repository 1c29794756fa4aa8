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
    GiveUp("the connection dropped " + std::to_string(tally_.reconnections) +
           " times, the most one device may cost");
    return false;
  }
  --reconnectsLeft_;
  ++tally_.reconnections;
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
    if (session_->LateBytes() > 0 && !lastCommand_.empty()) {
      if (!tally_.repliesCutShort++) tally_.firstCutShort = lastCommand_;
    }
    lastCommand_ = command;
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
        break;  // resume on a new connection
    }
  }
  return CommandOutcome::kCutOff;
}

void CliChannel::Count(CommandOutcome outcome, const std::string& command) {
  if (outcome == CommandOutcome::kNotSent) {
    ++tally_.notSent;
    return;
  }
  ++tally_.sent;
  switch (outcome) {
    case CommandOutcome::kAnswered:
      ++tally_.answered;
      break;
    case CommandOutcome::kRefused:
      ++tally_.refused;
      break;
    case CommandOutcome::kTimedOut:
      if (!tally_.timedOut++) tally_.firstTimedOut = command;
      break;
    case CommandOutcome::kCutOff:
      if (!tally_.cutOff++) tally_.firstCutOff = command;
      break;
    case CommandOutcome::kNotSent:
      break;
  }
}

std::vector<std::unique_ptr<CKelAtom>> CliChannel::Run(const std::string& router,
                                                       const std::vector<std::string>& commands,
                                                       const Done& done) {
  std::vector<std::unique_ptr<CKelAtom>> replies;
  replies.reserve(commands.size());
  std::string reply;
  if (context_ != router) Execute(SwitchCommand(router), reply);
  for (const std::string& command : commands) {
    const CommandOutcome outcome = Execute(command, reply);
    Count(outcome, command);
    replies.emplace_back(
        new CKelAtom(outcome == CommandOutcome::kAnswered ? reply.c_str() : nullptr));
    std::string().swap(reply);  // the atom holds its copy; a huge reply is not kept twice
    if (done) done(outcome);
  }
  return replies;
}
