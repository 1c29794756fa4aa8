#include "transports/LiveTransport.h"

#include <iostream>

#include "host/KelSnmp.h"

namespace {

const char kSwitchCommand[] = "virtual-router ";
// Drops that a device may cost before its session is given up, so that a
// router that keeps hanging up is not called again and again.
const int kReconnects = 3;

}  // namespace

LiveTransport::LiveTransport(std::unique_ptr<ByteStream> stream, Cli cli, SnmpSettings snmp)
    : snmp_(std::move(snmp)),
      session_(std::make_unique<CliSession>(std::move(stream), std::move(cli.login), cli.timeoutMs,
                                            cli.pagingOff)),
      reconnectsLeft_(kReconnects) {}

bool LiveTransport::Open(std::string& problem, bool& refused) {
  if (!session_) return false;
  if (!session_->Open(problem, refused)) return false;
  name_ = session_->Host();
  context_ = session_->Prompt().context;
  return true;
}

void LiveTransport::Close() {
  if (recorder_ && session_) recorder_->LastPrompt(session_->PromptLine());
  session_.reset();
}

bool LiveTransport::Reconnect() {
  if (session_ && session_->IsOpen()) return true;
  if (reconnectsLeft_ <= 0 || !session_) return false;
  --reconnectsLeft_;
  std::string problem;
  bool refused = false;
  const std::string wanted = context_;
  if (!session_->Open(problem, refused)) return false;
  context_ = session_->Prompt().context;
  if (wanted != context_) Execute(kSwitchCommand + wanted);
  return session_->IsOpen();
}

std::optional<std::string> LiveTransport::Execute(const std::string& command) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Reconnect()) return std::nullopt;
    const std::string prompt = session_->PromptLine();
    std::string reply;
    switch (session_->Run(command, reply)) {
      case CliSession::Result::kReply:
        context_ = session_->Prompt().context;
        if (IsCliError(reply)) return std::nullopt;
        if (recorder_) recorder_->Command(prompt, command, reply);
        return reply;
      case CliSession::Result::kTooLarge:
        std::cerr << "erx-discover: the reply to \"" << command << "\" ran past "
                  << (CliSession::kMaxReplyBytes >> 20) << " MiB; it is dropped\n";
        [[fallthrough]];
      case CliSession::Result::kTimeout:
        // The router may still be busy with it: a new session, and no reply.
        ++reconnectsLeft_;
        return std::nullopt;
      case CliSession::Result::kClosed:
        break;  // resume on a new connection
    }
  }
  return std::nullopt;
}

CKelAtomVector* LiveTransport::RunCommands(CKelRecord*, const std::vector<std::string>& commands) {
  auto* replies = new CKelAtomVector(static_cast<unsigned int>(commands.size()));
  // Every request starts in the default virtual router, as a new session would.
  if (context_ != "default") Execute(std::string(kSwitchCommand) + "default");
  for (const std::string& command : commands) {
    ++progress_.sent;
    const std::optional<std::string> reply = Execute(command);
    if (reply) ++progress_.answered;
    replies->RAVAddToEnd(new CKelAtom(reply ? reply->c_str() : nullptr));
    if (report_) report_(progress_);
  }
  return replies;
}

CKelDoubleList* LiveTransport::Walk(CKelRecord*, const char* variable, const std::string& context) {
  const char* columnOid = variable ? SnmpColumnOid(variable) : nullptr;
  if (!columnOid) return nullptr;
  const std::optional<std::vector<SnmpRow>> rows = snmp_.Walk(context, columnOid);
  ++progress_.walks;
  if (report_) report_(progress_);
  if (!rows) return nullptr;
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
