// The CLI sessions of one device. The first is logged in by Open() and runs
// every short request; a long request (at least kSplitFrom commands a
// session) is split over all of them at once, each part starting with the
// `virtual-router` command it needs, and its replies come back, and reach the
// recording, in the request's order. The other sessions log in when first
// needed; one that cannot, or that gives up half-way, leaves its part to the
// first session and is not used again.
//
//   CliSessionPool pool(std::move(stream), login, 30000, true);
//   pool.AddSessions(std::move(moreStreams));
//   if (ConnectStatus opened = pool.Open(); !opened.ok()) ...;
//   auto replies = pool.Run({"show version", "virtual-router vr1", "show ip vrf"});
#ifndef TRANSPORTS_CLISESSIONPOOL_H_
#define TRANSPORTS_CLISESSIONPOOL_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transports/CliChannel.h"

class CliSessionPool {
 public:
  // Requests shorter than this many commands per session stay on one session.
  static constexpr size_t kSplitFrom = 4;

  CliSessionPool(std::unique_ptr<ByteStream> first, CliLogin login, int timeoutMs, bool pagingOff);
  CliSessionPool(const CliSessionPool&) = delete;
  CliSessionPool& operator=(const CliSessionPool&) = delete;

  // More sessions to the same router. Each keeps the copy of the passwords
  // it logs in again with; the pool's own copy is wiped.
  void AddSessions(std::vector<std::unique_ptr<ByteStream>> streams);
  // Logs the first session in.
  ConnectStatus Open();
  // Ends every session.
  void Close();
  bool Closed() const { return !first_->Session(); }

  // Commands each session writes ahead of the reply it reads (1: one at a
  // time). Once one session finds that the router loses them, all go one at
  // a time.
  void TypeAhead(size_t depth);
  void SetDeadline(const DeviceDeadline& deadline) { deadline_ = deadline; }
  const DeviceDeadline& Deadline() const { return deadline_; }
  // Every answered command, in the order of the requests.
  void OnAnswered(CliChannel::Answered answered);
  // Commands sent and answered, as they are done.
  void OnProgress(std::function<void(int sent, int answered)> progress) {
    progress_ = std::move(progress);
  }

  // One atom per command: its reply, or no text when it got none.
  std::vector<std::unique_ptr<CKelAtom>> Run(const std::vector<std::string>& commands);
  // True once the rest of the device is not to be asked.
  bool GivenUp() { return first_->GivenUp(); }
  // The CLI counts of every session since the last call, and why the device
  // stopped being asked.
  TransportHealth CollectTally();
  // Why the router stopped being trusted; empty while it is.
  const std::string& Distrust() const;

  const std::string& Host() const { return host_; }
  // The prompt the first session stands at; empty once closed.
  std::string PromptLine() const;
  std::string Where() const;

 private:
  struct Part {
    std::string router;  // where the part starts
    std::vector<std::string> commands;
  };
  // What a second session did with its part.
  struct Helped {
    bool done = false;
    std::vector<std::unique_ptr<CKelAtom>> replies;
    std::vector<CliExchange> said;
    std::string distrust;
  };

  std::vector<Part> Split(const std::vector<std::string>& commands) const;
  std::vector<std::unique_ptr<CKelAtom>> RunSplit(const std::vector<std::string>& commands);
  std::vector<std::unique_ptr<CKelAtom>> RunFirst(const Part& part);
  static void RunHelper(CliChannel& helper, const Part& part, Helped& helped);
  // The replies of a helper's part, or of the first session doing it instead.
  std::vector<std::unique_ptr<CKelAtom>> Merge(std::unique_ptr<CliChannel>& helper,
                                               const Part& part, Helped& helped);

  DeviceDeadline deadline_;
  CliLogin login_;  // until the other sessions have theirs
  int timeoutMs_;
  bool pagingOff_;
  std::unique_ptr<CliChannel> first_;
  std::vector<std::unique_ptr<CliChannel>> helpers_;
  size_t typeAhead_ = 1;
  TransportHealth helpersTally_;  // counts of the helpers' parts, since the last collection
  CliChannel::Answered answered_;
  std::function<void(int, int)> progress_;
  std::string host_;
  std::string distrust_;  // a second session's
};

#endif  // TRANSPORTS_CLISESSIONPOOL_H_
