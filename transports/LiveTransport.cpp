#include "transports/LiveTransport.h"

#include <algorithm>

#include "host/KelSnmp.h"

namespace {

// Contexts asked ahead of the host: enough to keep a long round trip busy.
const size_t kPrefetchWindow = 16;

}  // namespace

LiveTransport::LiveTransport(std::unique_ptr<ByteStream> stream, Cli cli, SnmpSettings snmp)
    : cli_(std::move(stream), std::move(cli.login), cli.timeoutMs, cli.pagingOff),
      snmp_(std::move(snmp)) {
  cli_.TypeAhead(static_cast<size_t>(std::max(cli.typeAhead, 1)));
  health_.cli.source = cli_.Where();
  health_.snmp.source = snmp_.Where();
}

void LiveTransport::Close() {
  if (recorder_ && !cli_.Closed()) recorder_->LastPrompt(cli_.PromptLine());
  cli_.Close();
  TallyCli();
}

void LiveTransport::Record(CaptureRecorder* recorder) {
  recorder_ = recorder;
  cli_.OnAnswered([recorder](const CliExchange& exchange) {
    if (recorder) recorder->Command(exchange.prompt, exchange.command, exchange.reply);
  });
}

void LiveTransport::OnProgress(std::function<void(const LiveProgress&)> report) {
  report_ = std::move(report);
  cli_.OnProgress([this](int sent, int answered) {
    progress_.sent += sent;
    progress_.answered += answered;
    if (report_) report_(progress_);
  });
}

void LiveTransport::TallyCli() {
  const TransportHealth tally = cli_.CollectTally();
  health_.AddCli(tally);
  if (health_.whyNotSent.empty()) health_.whyNotSent = tally.whyNotSent;
}

CKelAtomVector* LiveTransport::RunCommands(CKelRecord*, const std::vector<std::string>& commands) {
  std::vector<std::unique_ptr<CKelAtom>> replies = cli_.Run(commands);
  TallyCli();
  auto* vector = new CKelAtomVector(static_cast<unsigned int>(commands.size()));
  forecast_.StartRequest();
  for (size_t i = 0; i < replies.size(); ++i) {
    if (const char* text = replies[i]->RAString()) forecast_.NoteAnswer(commands[i], text);
    vector->RAVAddToEnd(replies[i].release());
  }
  return vector;
}

CKelDoubleList* LiveTransport::Walk(CKelRecord*, const char* variable, const std::string& context) {
  const char* columnOid = variable ? SnmpColumnOid(variable) : nullptr;
  if (!columnOid) return nullptr;
  if (!cli_.Distrust().empty() || cli_.Deadline().Passed()) {
    cli_.GivenUp();
    TallyCli();
    ++health_.snmp.walksUnanswered;
    ++health_.snmp.walksNotAsked;
    return nullptr;
  }
  PrefetchAround(context, columnOid);
  std::string cut;
  const std::optional<std::vector<SnmpRow>> rows = snmp_.Walk(context, columnOid, &cut);
  ++progress_.walks;
  if (report_) report_(progress_);
  TallyWalk(variable, context, rows, cut);
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

void LiveTransport::TallyWalk(const char* variable, const std::string& context,
                              const std::optional<std::vector<SnmpRow>>& rows,
                              const std::string& cut) {
  if (rows) {
    ++health_.snmp.walksAnswered;
    health_.snmp.contextsAnswered.insert(context);
  } else if (!cut.empty()) {
    ++health_.snmp.walksUnanswered;
    health_.snmp.contextsAnswered.insert(context);
    health_.snmp.cutWalks.push_back("the walk of " + std::string(variable) +
                                    (context.empty() ? "" : " in " + context) + " at " +
                                    snmp_.Where() + " was dropped: " + cut);
  } else {
    ++health_.snmp.walksUnanswered;
    health_.snmp.contextsSilent.insert(context);
  }
}

void LiveTransport::PrefetchAround(const std::string& context, const std::string& columnOid) {
  // A column asked in one kind of context is likely asked in the others: the
  // interface table is walked everywhere. A wrong guess costs a few rows.
  if (std::find(learnedColumns_.begin(), learnedColumns_.end(), columnOid) ==
      learnedColumns_.end()) {
    learnedColumns_.push_back(columnOid);
  }
  snmp_.Prefetch(context, learnedColumns_);
  for (const std::string& next : forecast_.After(context, kPrefetchWindow)) {
    snmp_.Prefetch(next, learnedColumns_);
  }
}
