// A long request split over several CLI sessions of the same router.
#include <algorithm>
#include <thread>

#include "transports/LiveTransport.h"

void LiveTransport::AddCliSessions(std::vector<std::unique_ptr<ByteStream>> streams) {
  for (auto& stream : streams) {
    auto helper = std::make_unique<LiveTransport>(std::move(stream), cli_, SnmpSettings());
    helper->transcribing_ = true;
    helper->ForgetPasswords();
    helpers_.push_back(std::move(helper));
  }
  // Each session keeps the copy it logs in again with; no other copy stays.
  ForgetPasswords();
}

void LiveTransport::ForgetPasswords() {
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
      if (!helper->opened_ && !helper->Open(problem, refused)) {
        if (helper->session_ && helper->session_->Untrusted()) helper->distrust_ = problem;
        return;
      }
      if (!helper->session_ || !helper->session_->IsOpen()) return;
      replies[part] = helper->RunOn(routers[part], chunks[part]);
      helped[part] = 1;
    });
  }
  replies[0] = RunOn("default", chunks[0]);
  for (std::thread& thread : threads) thread.join();

  std::vector<std::unique_ptr<CKelAtom>> all;
  all.reserve(commands.size());
  for (auto& reply : replies[0]) all.push_back(std::move(reply));
  for (size_t part = 1; part < parts; ++part) {
    std::unique_ptr<LiveTransport>& helper = helpers_[part - 1];
    if (!helper->distrust_.empty() && distrust_.empty()) {
      // The same router showed another key to a second session: stop, as on a reconnection.
      distrust_ = helper->distrust_;
      health_.whyNotSent = "a second session's login failed: " + distrust_;
    }
    if (helped[part] && helper->health_.whyNotSent.empty()) {
      Absorb(*helper);
    } else if (!chunks[part].empty()) {
      // Its session could not be had, or gave up: this session does that part
      // itself, and the helper is not used again.
      replies[part] = RunOn(routers[part], chunks[part]);
      helper.reset();
    }
    for (auto& reply : replies[part]) all.push_back(std::move(reply));
  }
  helpers_.erase(std::remove(helpers_.begin(), helpers_.end(), nullptr), helpers_.end());
  return all;
}

void LiveTransport::Absorb(LiveTransport& helper) {
  for (const Said& said : helper.transcript_) {
    if (recorder_) recorder_->Command(said.prompt, said.command, said.reply);
  }
  helper.transcript_.clear();
  // A helper that gave up is never absorbed: its part is done again here.
  const TransportHealth& from = helper.health_;
  health_.AddCli(from);
  progress_.sent += from.sent;
  progress_.answered += from.answered;
  helper.health_ = TransportHealth();
  if (report_) report_(progress_);
}
