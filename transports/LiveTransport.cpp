#include "transports/LiveTransport.h"

#include <algorithm>
#include <iostream>

#include "host/KelSnmp.h"

namespace {

// Drops that a device may cost before its session is given up, so that a
// router that keeps hanging up is not called again and again; each command
// may cost two.
const int kReconnects = 6;
// A router that lets this many commands in a row time out is hung: waiting
// the timeout for each of the rest would only multiply the wait.
const int kTimeoutsInARow = 3;
// Contexts asked ahead of the host: enough to keep a long round trip busy.
const size_t kPrefetchWindow = 16;

// 'n' (no context), 'r' (virtual router) or 'v' (VRF).
char KindOf(const std::string& context) {
  return context.empty() ? 'n' : context.find(':') == std::string::npos ? 'r' : 'v';
}

}  // namespace

LiveTransport::LiveTransport(std::unique_ptr<ByteStream> stream, Cli cli, SnmpSettings snmp)
    : cli_(cli),
      snmp_(std::move(snmp)),
      session_(std::make_unique<CliSession>(std::move(stream), std::move(cli.login), cli.timeoutMs,
                                            cli.pagingOff)),
      timeoutMs_(cli.timeoutMs),
      reconnectsLeft_(kReconnects) {
  health_.cliSource = session_->Where();
  health_.snmpSource = snmp_.Where();
}

bool LiveTransport::Open(std::string& problem, bool& refused) {
  if (!session_) return false;
  opened_ = true;
  if (!session_->Open(problem, refused)) return false;
  name_ = session_->Host();
  context_ = session_->Prompt().context;
  return true;
}

void LiveTransport::Close() {
  if (recorder_ && session_) recorder_->LastPrompt(session_->PromptLine());
  session_.reset();
  helpers_.clear();
}

bool LiveTransport::GivenUp() {
  if (health_.whyNotSent.empty() && std::chrono::steady_clock::now() >= deadline_) {
    health_.whyNotSent = "the device's deadline of " + std::to_string(deadlineSeconds_) + " s passed";
  }
  return !health_.whyNotSent.empty();
}

bool LiveTransport::Reconnect() {
  if (session_ && session_->IsOpen()) return true;
  if (!session_) return false;
  if (reconnectsLeft_ <= 0) {
    health_.whyNotSent = "the connection dropped " + std::to_string(health_.reconnections) +
                         " times, the most one device may cost";
    return false;
  }
  --reconnectsLeft_;
  ++health_.reconnections;
  std::string problem;
  bool refused = false;
  const std::string wanted = context_;
  if (!session_->Open(problem, refused)) {
    if (session_->Untrusted()) distrust_ = problem;
    health_.whyNotSent = "logging in again failed: " + problem;
    return false;
  }
  context_ = session_->Prompt().context;
  std::string ignored;
  if (wanted != context_) Execute(kSwitchCommand + wanted, ignored);
  return session_->IsOpen();
}

LiveTransport::Outcome LiveTransport::Execute(const std::string& command, std::string& reply) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (GivenUp() || !Reconnect()) return Outcome::kNotSent;
    const std::string prompt = session_->PromptLine();
    const CliSession::Result result = session_->Run(command, reply);
    if (session_->LateBytes() > 0 && !lastCommand_.empty()) {
      if (!health_.repliesCutShort++) health_.firstCutShort = lastCommand_;
    }
    lastCommand_ = command;
    switch (result) {
      case CliSession::Result::kReply:
        timeoutsInARow_ = 0;
        context_ = session_->Prompt().context;
        if (IsCliError(reply)) return Outcome::kRefused;
        if (recorder_) recorder_->Command(prompt, command, reply);
        if (transcribing_) transcript_.push_back({prompt, command, reply});
        return Outcome::kAnswered;
      case CliSession::Result::kTooLarge:
        std::cerr << "erx-discover: the reply to \"" << command << "\" ran past "
                  << (CliSession::kMaxReplyBytes >> 20) << " MiB; it is dropped\n";
        [[fallthrough]];
      case CliSession::Result::kTimeout:
        // The router may still be busy with it: a new session, and no reply.
        ++reconnectsLeft_;
        if (++timeoutsInARow_ >= kTimeoutsInARow) {
          health_.whyNotSent = std::to_string(timeoutsInARow_) +
                               " commands in a row got no reply within " +
                               std::to_string(timeoutMs_ / 1000) + " s";
        }
        return Outcome::kTimedOut;
      case CliSession::Result::kClosed:
        break;  // resume on a new connection
    }
  }
  return Outcome::kCutOff;
}

CKelAtomVector* LiveTransport::RunCommands(CKelRecord*, const std::vector<std::string>& commands) {
  // Every request starts in the default virtual router, as a new session would.
  std::vector<std::unique_ptr<CKelAtom>> replies =
      helpers_.empty() || GivenUp() || commands.size() < kSplitFrom * (helpers_.size() + 1)
          ? RunOn("default", commands)
          : RunSplit(commands);
  auto* vector = new CKelAtomVector(static_cast<unsigned int>(commands.size()));
  foreseenRouter_ = "default";
  for (size_t i = 0; i < replies.size(); ++i) {
    if (const char* text = replies[i]->RAString()) Foresee(commands[i], text);
    vector->RAVAddToEnd(replies[i].release());
  }
  return vector;
}

std::vector<std::unique_ptr<CKelAtom>> LiveTransport::RunOn(const std::string& router,
                                                            const std::vector<std::string>& commands) {
  std::vector<std::unique_ptr<CKelAtom>> replies;
  replies.reserve(commands.size());
  std::string reply;
  if (context_ != router) Execute(kSwitchCommand + router, reply);
  for (const std::string& command : commands) {
    const Outcome outcome = Execute(command, reply);
    if (outcome == Outcome::kNotSent) {
      ++health_.notSent;
    } else {
      ++progress_.sent;
      ++health_.sent;
    }
    switch (outcome) {
      case Outcome::kAnswered:
        ++progress_.answered;
        ++health_.answered;
        break;
      case Outcome::kRefused:
        ++health_.refused;
        break;
      case Outcome::kTimedOut:
        if (!health_.timedOut++) health_.firstTimedOut = command;
        break;
      case Outcome::kCutOff:
        if (!health_.cutOff++) health_.firstCutOff = command;
        break;
      case Outcome::kNotSent:
        break;
    }
    replies.emplace_back(new CKelAtom(outcome == Outcome::kAnswered ? reply.c_str() : nullptr));
    std::string().swap(reply);  // the atom holds its copy; a huge reply is not kept twice
    if (report_) report_(progress_);
  }
  return replies;
}

CKelDoubleList* LiveTransport::Walk(CKelRecord*, const char* variable, const std::string& context) {
  const char* columnOid = variable ? SnmpColumnOid(variable) : nullptr;
  if (!columnOid) return nullptr;
  if (!distrust_.empty() || std::chrono::steady_clock::now() >= deadline_) {
    GivenUp();
    ++health_.walksUnanswered;
    ++health_.walksNotAsked;
    return nullptr;
  }
  PrefetchAround(context, columnOid);
  std::string cut;
  const std::optional<std::vector<SnmpRow>> rows = snmp_.Walk(context, columnOid, &cut);
  ++progress_.walks;
  if (report_) report_(progress_);
  if (!rows) {
    ++health_.walksUnanswered;
    if (!cut.empty()) {
      health_.contextsAnswered.insert(context);
      health_.cutWalks.push_back("the walk of " + std::string(variable) +
                                 (context.empty() ? "" : " in " + context) + " at " +
                                 snmp_.Where() + " was dropped: " + cut);
    } else {
      health_.contextsSilent.insert(context);
    }
    return nullptr;
  }
  ++health_.walksAnswered;
  health_.contextsAnswered.insert(context);
  if (recorder_) recorder_->Walk(context, columnOid, *rows);
  if (rows->empty()) return nullptr;
  auto* list = new CKelDoubleList;
  for (const SnmpRow& row : *rows) {
    CKelAtom* value = row.type == SnmpRow::Type::kInteger ? new CKelAtom(row.intValue)
                                                          : new CKelAtom(row.text.c_str());
    list->RDLAddToListEnd(new CKelSnmpVarOp(variable, row.instance, value));
  }
  return list;
}

void LiveTransport::Foresee(const std::string& command, const std::string& reply) {
  if (command.compare(0, sizeof kSwitchCommand - 1, kSwitchCommand) == 0) {
    foreseenRouter_ = command.substr(sizeof kSwitchCommand - 1);
    Foresee("@" + foreseenRouter_);
    return;
  }
  // The tables that list virtual routers and VRFs: a name first on each row.
  const bool routers = command == "show virtual-router", vrfs = command == "show ip vrf";
  if (routers || vrfs) {
    size_t row = reply.find('\n');  // past the heading
    for (size_t end; row != std::string::npos && row + 1 < reply.size(); row = end) {
      end = reply.find('\n', row + 1);
      const std::string line = reply.substr(row + 1, end == std::string::npos ? end : end - row - 1);
      const size_t length = line.find_first_of(" \t\r");
      if (line.empty() || length == 0 || line[0] == '-') continue;
      const std::string name = line.substr(0, length);
      Foresee(routers ? "@" + name : "@" + foreseenRouter_ + ":" + name);
    }
    return;
  }
  const size_t vrf = command.find(" vrf ");
  if (vrf == std::string::npos) return;
  const size_t from = vrf + 5, to = command.find(' ', from);
  const std::string name = command.substr(from, to == std::string::npos ? to : to - from);
  if (!name.empty()) Foresee("@" + foreseenRouter_ + ":" + name);
}

void LiveTransport::Foresee(const std::string& context) {
  if (foreseenAt_.emplace(context, foreseen_.size()).second) foreseen_.push_back(context);
}

void LiveTransport::PrefetchAround(const std::string& context, const std::string& columnOid) {
  // A column asked in one kind of context is likely asked in the others: the
  // interface table is walked everywhere. A wrong guess costs a few rows.
  const char kind = KindOf(context);
  std::vector<std::string>& columns = learnedColumns_;
  if (std::find(columns.begin(), columns.end(), columnOid) == columns.end()) {
    columns.push_back(columnOid);
  }
  snmp_.Prefetch(context, columns);
  auto at = foreseenAt_.find(context);
  if (at == foreseenAt_.end()) return;
  size_t asked = 0;
  for (size_t i = at->second + 1; i < foreseen_.size() && asked < kPrefetchWindow; ++i) {
    if (KindOf(foreseen_[i]) != kind) continue;
    snmp_.Prefetch(foreseen_[i], columns);
    ++asked;
  }
}
