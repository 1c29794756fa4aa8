// The requester's transport for a live router: the CLI over a pool of
// sessions (Telnet or SSH, transports/CliSessionPool.h), logged in once and
// reused by every request of the device, and the tables over SNMP. It tallies
// what both answered into the device's health and records what the host got.
//
// Walks are prefetched: a context gets at once every column that the host
// asked so far in any context, and the contexts that the CLI named
// (transports/ContextForecast.h) are asked ahead, a window at a time; a wrong
// guess costs a request. The host still receives and the recorder still
// records only the walks the host asked, in its order.
#ifndef TRANSPORTS_LIVETRANSPORT_H_
#define TRANSPORTS_LIVETRANSPORT_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "captures/CaptureRecorder.h"
#include "host/PelkRequester.h"
#include "transports/ByteStream.h"
#include "transports/CliSessionPool.h"
#include "transports/ContextForecast.h"
#include "transports/SnmpWalker.h"
#include "transports/TransportHealth.h"

struct LiveProgress {
  int sent = 0;
  int answered = 0;
  int walks = 0;
};

class LiveTransport : public CPelkRequestTransport {
 public:
  struct Cli {
    CliLogin login;
    int timeoutMs = 30000;
    bool pagingOff = true;
    int typeAhead = 1;  // commands written ahead of the reply being read
  };

  // `stream` carries the CLI; a reconnection connects it again.
  LiveTransport(std::unique_ptr<ByteStream> stream, Cli cli, SnmpSettings snmp);

  // Sessions of their own for parts of a long request (CliSessionPool).
  void AddCliSessions(std::vector<std::unique_ptr<ByteStream>> streams) {
    cli_.AddSessions(std::move(streams));
  }

  // Connects and logs in: a failure when the router cannot be reached, a
  // refusal when it turned the login down.
  ConnectStatus Open() { return cli_.Open(); }
  // Ends the session; the recorder gets the last prompt.
  void Close();
  // The host name that the router's prompt shows.
  const std::string& DeviceName() const { return cli_.Host(); }

  // Records everything from now on; the recorder stays the caller's.
  void Record(CaptureRecorder* recorder);
  void OnProgress(std::function<void(const LiveProgress&)> report);
  // Past `deadline` nothing more is sent or asked.
  void SetDeadline(std::chrono::steady_clock::time_point deadline, int seconds) {
    cli_.SetDeadline({deadline, seconds});
  }
  const TransportHealth& Health() const { return health_; }
  // Why the router stopped being trusted when it was connected to again (its
  // SSH host key changed); nothing was sent to it or asked of it since.
  // Empty while it is trusted.
  const std::string& Distrust() const { return cli_.Distrust(); }

  CKelAtomVector* RunCommands(CKelRecord* device,
                              const std::vector<std::string>& commands) override;
  CKelDoubleList* Walk(CKelRecord* device, const char* variable,
                       const std::string& context) override;

 private:
  // Moves the CLI's counts since the last time into the health.
  void TallyCli();
  void TallyWalk(const char* variable, const std::string& context,
                 const std::optional<std::vector<SnmpRow>>& rows, const std::string& cut);
  void PrefetchAround(const std::string& context, const std::string& columnOid);

  CliSessionPool cli_;
  SnmpWalker snmp_;
  ContextForecast forecast_;
  std::vector<std::string> learnedColumns_;  // every column the host asked, in order
  TransportHealth health_;
  CaptureRecorder* recorder_ = nullptr;
  LiveProgress progress_;
  std::function<void(const LiveProgress&)> report_;
};

#endif  // TRANSPORTS_LIVETRANSPORT_H_
