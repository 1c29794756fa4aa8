#include "transports/CliSessionPool.h"

#include <algorithm>
#include <thread>

#include "readers/VirtualRouterCommand.h"

namespace {

void Wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

}  // namespace

CliSessionPool::CliSessionPool(std::unique_ptr<ByteStream> first, CliLogin login, int timeoutMs,
                               bool pagingOff)
    : login_(login),
      timeoutMs_(timeoutMs),
      pagingOff_(pagingOff),
      first_(std::make_unique<CliChannel>(std::move(first), std::move(login), timeoutMs, pagingOff,
                                          deadline_)) {}

void CliSessionPool::AddSessions(std::vector<std::unique_ptr<ByteStream>> streams) {
  for (auto& stream : streams) {
    helpers_.push_back(
        std::make_unique<CliChannel>(std::move(stream), login_, timeoutMs_, pagingOff_, deadline_));
    helpers_.back()->TypeAhead(typeAhead_);
  }
  Wipe(login_.password);
  Wipe(login_.enablePassword);
}

void CliSessionPool::TypeAhead(size_t depth) {
  typeAhead_ = depth;
  first_->TypeAhead(depth);
  for (auto& helper : helpers_) helper->TypeAhead(depth);
}

ConnectStatus CliSessionPool::Open() {
  ConnectStatus opened = first_->Open();
  if (opened.ok()) host_ = first_->Session()->Host();
  return opened;
}

void CliSessionPool::Close() {
  first_->Close();
  helpers_.clear();
}

void CliSessionPool::OnAnswered(CliChannel::Answered answered) {
  answered_ = std::move(answered);
  first_->OnAnswered(answered_);
}

std::string CliSessionPool::PromptLine() const {
  return first_->Session() ? first_->Session()->PromptLine() : std::string();
}

std::string CliSessionPool::Where() const {
  return first_->Session() ? first_->Session()->Where() : std::string();
}

const std::string& CliSessionPool::Distrust() const {
  return first_->Distrust().empty() ? distrust_ : first_->Distrust();
}

TransportHealth CliSessionPool::CollectTally() {
  TransportHealth tally = first_->CollectTally();
  tally.AddCli(helpersTally_);
  helpersTally_ = TransportHealth();
  return tally;
}

std::vector<std::unique_ptr<CKelAtom>> CliSessionPool::Run(
    const std::vector<std::string>& commands) {
  // Every request starts in the default virtual router, as a new session would.
  if (helpers_.empty() || first_->GivenUp() ||
      commands.size() < kSplitFrom * (helpers_.size() + 1)) {
    return RunFirst({"default", commands});
  }
  return RunSplit(commands);
}

std::vector<std::unique_ptr<CKelAtom>> CliSessionPool::RunFirst(const Part& part) {
  return first_->Run(part.router, part.commands, [this](CommandOutcome outcome) {
    if (!progress_) return;
    const bool sent = outcome != CommandOutcome::kNotSent;
    progress_(sent ? 1 : 0, outcome == CommandOutcome::kAnswered ? 1 : 0);
  });
}

std::vector<CliSessionPool::Part> CliSessionPool::Split(
    const std::vector<std::string>& commands) const {
  const size_t count = helpers_.size() + 1;
  const size_t size = (commands.size() + count - 1) / count;
  std::vector<Part> parts(count);
  VirtualRouterFollower follower;
  for (size_t i = 0; i < commands.size(); ++i) {
    Part& part = parts[i / size];
    if (part.commands.empty()) part.router = follower.Router();
    part.commands.push_back(commands[i]);
    follower.Follow(commands[i]);
  }
  return parts;
}

void CliSessionPool::RunHelper(CliChannel& helper, const Part& part, Helped& helped) {
  if (!helper.Tried()) {
    if (ConnectStatus opened = helper.Open(); !opened.ok()) {
      const CliSession* session = helper.Session();
      if (session && session->Untrusted()) helped.distrust = opened.message();
      return;
    }
  }
  if (!helper.IsOpen()) return;
  helper.OnAnswered([&helped](const CliExchange& exchange) { helped.said.push_back(exchange); });
  helped.replies = helper.Run(part.router, part.commands);
  helped.done = true;
}

std::vector<std::unique_ptr<CKelAtom>> CliSessionPool::RunSplit(
    const std::vector<std::string>& commands) {
  const std::vector<Part> parts = Split(commands);
  std::vector<Helped> helped(helpers_.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < helpers_.size(); ++i) {
    if (parts[i + 1].commands.empty()) continue;
    threads.emplace_back(RunHelper, std::ref(*helpers_[i]), std::cref(parts[i + 1]),
                         std::ref(helped[i]));
  }
  std::vector<std::unique_ptr<CKelAtom>> all = RunFirst(parts[0]);
  for (std::thread& thread : threads) thread.join();

  all.reserve(commands.size());
  for (size_t i = 0; i < helpers_.size(); ++i) {
    for (auto& reply : Merge(helpers_[i], parts[i + 1], helped[i])) all.push_back(std::move(reply));
  }
  helpers_.erase(std::remove(helpers_.begin(), helpers_.end(), nullptr), helpers_.end());
  if (typeAhead_ > 1 &&
      !(first_->Tally().cli.typeAheadLostAt.empty() && helpersTally_.cli.typeAheadLostAt.empty())) {
    TypeAhead(1);  // the same router loses them on every session
  }
  return all;
}

std::vector<std::unique_ptr<CKelAtom>> CliSessionPool::Merge(std::unique_ptr<CliChannel>& helper,
                                                             const Part& part, Helped& helped) {
  if (part.commands.empty()) return {};
  if (!helped.distrust.empty() && Distrust().empty()) {
    // The same router showed another key to a second session: stop, as on a reconnection.
    distrust_ = helped.distrust;
    first_->GiveUp("a second session's login failed: " + distrust_);
  }
  if (!helped.done || !helper->Tally().whyNotSent.empty()) {
    // Its session could not be had, or gave up: the first session does that
    // part itself, and the helper is not used again. A helper that gave up
    // is never counted: its part is done again.
    helper.reset();
    return RunFirst(part);
  }
  if (answered_) {
    for (const CliExchange& exchange : helped.said) answered_(exchange);
  }
  const TransportHealth counts = helper->CollectTally();
  helpersTally_.AddCli(counts);
  if (progress_) progress_(counts.cli.sent, counts.cli.answered);
  return std::move(helped.replies);
}
