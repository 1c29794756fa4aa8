// The requester's transport for a live router: the CLI over one session
// (Telnet or SSH), logged in once and reused by every request of the device, and the
// tables over SNMP.
//
// A command that the router rejects ("% Invalid input ...") or that gets no
// prompt back in time gets no reply (an atom without text), as in a capture
// that lacks it; after a timeout the next command runs on a new session. A
// dropped connection reconnects and resumes with the command that was cut
// off. Neither stops the rest of the device's discovery.
#ifndef TRANSPORTS_LIVETRANSPORT_H_
#define TRANSPORTS_LIVETRANSPORT_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "captures/CaptureRecorder.h"
#include "host/PelkRequester.h"
#include "transports/SnmpWalker.h"
#include "transports/ByteStream.h"
#include "transports/CliSession.h"

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

  CKelAtomVector* RunCommands(CKelRecord* device, const std::vector<std::string>& commands) override;
  CKelDoubleList* Walk(CKelRecord* device, const char* variable, const std::string& context) override;

 private:
  std::optional<std::string> Execute(const std::string& command);
  bool Reconnect();
  std::string Context() const;

  SnmpWalker snmp_;
  std::unique_ptr<CliSession> session_;
  std::string name_;
  std::string context_ = "default";  // where the session stands, kept over reconnects
  int reconnectsLeft_;
  CaptureRecorder* recorder_ = nullptr;
  LiveProgress progress_;
  std::function<void(const LiveProgress&)> report_;
};

#endif  // TRANSPORTS_LIVETRANSPORT_H_
