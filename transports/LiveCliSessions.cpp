// A long request split over several CLI sessions of the same router.
#include <algorithm>
#include <thread>

#include "transports/LiveTransport.h"

void LiveTransport::AddCliSessions(std::vector<std::unique_ptr<ByteStream>> streams) {
  for (auto& stream : streams) {
    auto helper = std::make_unique<LiveTransport>(std::move(stream), cli_, SnmpSettings());
    helper->transcribing_ = true;
    helpers_.push_back(std::move(helper));
  }
  // The helpers hold their own copies; no other copy of the passwords stays here.
  for (std::string* secret : {&cli_.login.password, &cli_.login.enablePassword}) {
    std::fill(secret->begin(), secret->end(), '\0');
    secret->clear();
  }
}

std::vector<std::unique_ptr<CKelAtom>> LiveTransport::RunSplit(const std::vector<std::string>& commands) {
  const size_t parts = helpers_.size() + 1;
  const size_t size = (commands.size() + parts - 1) / parts;
  std::vector<std::vector<std::string>> chunks(parts);
  std::vector<std::string> routers(parts, "default");
  std::string router = "default";
  const size_t switchLength = sizeof kSwitchCommand - 1;
  for (size_t i = 0; i < commands.size(); ++i) {
    const size_t part = i / size;
    if (chunks[part].empty()) routers[part] = router;
    chunks[part].push_back(commands[i]);
    if (commands[i].compare(0, switchLength, kSwitchCommand) == 0) router = commands[i].substr(switchLength);
  }

  std::vector<std::vector<std::unique_ptr<CKelAtom>>> replies(parts);
  std::vector<char> helped(parts, 0);
  std::vector<std::thread> threads;
  for (size_t part = 1; part < parts; ++part) {
    if (chunks[part].empty()) continue;
    LiveTransport* helper = helpers_[part - 1].get();
    helper->deadline_ = deadline_;
    helper->deadlineSeconds_ = deadlineSeconds_;
    threads.emplace_back([&, helper, part] {
      std::string problem;
      bool refused = false;
      if (!helper->opened_ && !helper->Open(problem, refused)) return;
      if (!helper->session_ || !helper->session_->IsOpen()) return;
      replies[part] = helper->RunOn(routers[part], chunks[part]);
      helped[part] = 1;
    });
  }
  replies[0] = RunOn("default", chunks[0]);
  for (std::thread& thread : threads) thread.join();

  std::vector<std::unique_ptr<CKelAtom>> all;
  all.reserve(commands.size());
  for (size_t part = 0; part < parts; ++part) {
    if (part > 0 && helped[part]) {
      Absorb(*helpers_[part - 1]);
    } else if (part > 0) {
      replies[part] = RunOn(routers[part], chunks[part]);  // its session could not be had
    }
    for (auto& reply : replies[part]) all.push_back(std::move(reply));
  }
  return all;
}

void LiveTransport::Absorb(LiveTransport& helper) {
  for (const Said& said : helper.transcript_) {
    if (recorder_) recorder_->Command(said.prompt, said.command, said.reply);
  }
  helper.transcript_.clear();
  const TransportHealth& from = helper.health_;
  TransportHealth& to = health_;
  to.sent += from.sent;
  to.answered += from.answered;
  to.refused += from.refused;
  to.notSent += from.notSent;
  to.reconnections += from.reconnections;
  if (from.timedOut && !to.timedOut) to.firstTimedOut = from.firstTimedOut;
  to.timedOut += from.timedOut;
  if (from.cutOff && !to.cutOff) to.firstCutOff = from.firstCutOff;
  to.cutOff += from.cutOff;
  if (from.repliesCutShort && !to.repliesCutShort) to.firstCutShort = from.firstCutShort;
  to.repliesCutShort += from.repliesCutShort;
  if (to.whyNotSent.empty()) to.whyNotSent = from.whyNotSent;
  progress_.sent += from.sent;
  progress_.answered += from.answered;
  helper.health_ = TransportHealth();
  if (report_) report_(progress_);
}
