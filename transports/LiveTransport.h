// The requester's transport for a live router: the CLI over one session
// (Telnet or SSH), logged in once and reused by every request of the device, and the
// tables over SNMP.
//
// A command that the router rejects ("% Invalid input ...") or that gets no
// prompt back in time gets no reply (an atom without text), as in a capture
// that lacks it; after a timeout the next command runs on a new session. A
// dropped connection reconnects and resumes with the command that was cut
// off. Neither stops the rest of the device's discovery, up to a budget:
// after too many reconnections, too many timeouts in a row or past the
// device's deadline the remaining commands are not sent and the remaining
// walks not asked. Health() tallies all of it.
//
// Walks are prefetched: a context gets at once every column that the host
// asked so far in any context, and the contexts
// that the CLI named (`virtual-router VR`, `... vrf NAME ...`, the rows of
// `show virtual-router` and `show ip vrf`) are asked ahead, a window at a time;
// a wrong guess costs a request. The host still receives and the recorder
// still records only the walks the host asked, in its order.
#ifndef TRANSPORTS_LIVETRANSPORT_H_
#define TRANSPORTS_LIVETRANSPORT_H_

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "captures/CaptureRecorder.h"
#include "host/PelkRequester.h"
#include "transports/SnmpWalker.h"
#include "transports/ByteStream.h"
#include "transports/CliSession.h"
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
  };

  // `stream` carries the CLI; a reconnection connects it again.
  LiveTransport(std::unique_ptr<ByteStream> stream, Cli cli, SnmpSettings snmp);

  // Sessions of their own for parts of a long request: its commands are split
  // over them and this one, each part starting in the virtual router that it
  // needs, the replies and the recording kept in the request's order. Each is
  // logged in when first needed; one that cannot be leaves its part to this one.
  void AddCliSessions(std::vector<std::unique_ptr<ByteStream>> streams);

  // Connects and logs in. False with `problem` when the router cannot be
  // reached or `refused` the login.
  bool Open(std::string& problem, bool& refused);
  // Ends the session; the recorder gets the last prompt.
  void Close();
  // The host name that the router's prompt shows.
  const std::string& DeviceName() const { return name_; }

  // Records everything from now on; the recorder stays the caller's.
  void Record(CaptureRecorder* recorder) { recorder_ = recorder; }
  void OnProgress(std::function<void(const LiveProgress&)> report) { report_ = std::move(report); }
  // Past `deadline` nothing more is sent or asked.
  void SetDeadline(std::chrono::steady_clock::time_point deadline, int seconds) {
    deadline_ = deadline;
    deadlineSeconds_ = seconds;
  }
  const TransportHealth& Health() const { return health_; }
  // Why the router stopped being trusted when it was connected to again (its
  // SSH host key changed); nothing was sent to it or asked of it since.
  // Empty while it is trusted.
  const std::string& Distrust() const { return distrust_; }

  CKelAtomVector* RunCommands(CKelRecord* device, const std::vector<std::string>& commands) override;
  CKelDoubleList* Walk(CKelRecord* device, const char* variable, const std::string& context) override;

 private:
  enum class Outcome { kAnswered, kRefused, kTimedOut, kCutOff, kNotSent };
  struct Said {
    std::string prompt, command, reply;
  };
  // Requests shorter than this many commands per session stay on one session.
  static constexpr size_t kSplitFrom = 4;
  static constexpr char kSwitchCommand[] = "virtual-router ";

  std::vector<std::unique_ptr<CKelAtom>> RunOn(const std::string& router,
                                               const std::vector<std::string>& commands);
  std::vector<std::unique_ptr<CKelAtom>> RunSplit(const std::vector<std::string>& commands);
  // Takes over what `helper` said and counted since the last time.
  void Absorb(LiveTransport& helper);
  void ForgetPasswords();
  Outcome Execute(const std::string& command, std::string& reply);
  bool Reconnect();
  // True once the rest of the device is not to be asked (health_.whyNotSent says why).
  bool GivenUp();
  std::string Context() const;
  // Notes the SNMP contexts that a command or its reply names, in their order.
  void Foresee(const std::string& command, const std::string& reply);
  void Foresee(const std::string& context);
  void PrefetchAround(const std::string& context, const std::string& columnOid);

  Cli cli_;  // for the helpers, its passwords wiped once they have theirs
  SnmpWalker snmp_;
  std::unique_ptr<CliSession> session_;
  bool opened_ = false;
  std::vector<std::unique_ptr<LiveTransport>> helpers_;
  bool transcribing_ = false;  // a helper keeps what it said for the session it helps
  std::vector<Said> transcript_;
  int timeoutMs_;
  std::string lastCommand_;  // whose reply more output may still follow
  std::string name_;
  std::string context_ = "default";  // where the session stands, kept over reconnects
  int reconnectsLeft_;
  int timeoutsInARow_ = 0;
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
  int deadlineSeconds_ = 0;
  TransportHealth health_;
  std::string distrust_;
  CaptureRecorder* recorder_ = nullptr;
  LiveProgress progress_;
  std::function<void(const LiveProgress&)> report_;
  std::string foreseenRouter_;  // the virtual router of the commands being foreseen
  std::vector<std::string> foreseen_;                      // "@vr1", "@vr1:red", ...
  std::map<std::string, size_t> foreseenAt_;                // context -> index in foreseen_
  std::vector<std::string> learnedColumns_;  // every column the host asked, in order
};

#endif  // TRANSPORTS_LIVETRANSPORT_H_
