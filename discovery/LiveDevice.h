// A live router logged in to: its transport (CLI over Telnet or SSH, and
// SNMP) made from the options and the secrets, what it answered, and its
// capture saved at the end when asked.
//
//   LiveDevice device;
//   if (Outcome<DeviceOutcome> opened = device.Open(options); !opened.ok()) ...
//   DiscoverDevice(device.Transport(), device.Name(), ...);
//   Status finished = device.Finish();
#ifndef DISCOVERY_LIVEDEVICE_H_
#define DISCOVERY_LIVEDEVICE_H_

#include <memory>
#include <string>

#include "captures/CaptureRecorder.h"
#include "discovery/DeviceOutcome.h"
#include "discovery/LiveOptions.h"
#include "status/Outcome.h"
#include "status/Result.h"
#include "status/Status.h"
#include "transports/LiveTransport.h"
#include "transports/Secrets.h"

class LiveDevice {
 public:
  // kDiscovered when the router is logged in to; kCannotStart (secrets or
  // options) or kUnreachable with a one-line message otherwise.
  Outcome<DeviceOutcome> Open(const LiveOptions& options);
  CPelkRequestTransport& Transport() { return *transport_; }
  const TransportHealth& Health() const { return transport_->Health(); }
  const std::string& Name() const { return transport_->DeviceName(); }
  // Ends the session and writes the capture when one was asked for. Fails
  // when the capture cannot be written, or when the router stopped being
  // trusted on a reconnection (then nothing is saved).
  Status Finish();
  bool Distrusted() const { return !transport_->Distrust().empty(); }

 private:
  // Telnet or SSH, as the options say; fails for bad SSH options.
  static Result<std::unique_ptr<ByteStream>> CliStream(const LiveOptions& options,
                                                       const Secrets& secrets,
                                                       const CliLogin& login);
  Status MakeTransport(const Secrets& secrets);
  void ShowProgressAndKeepDeadline();

  LiveOptions options_;
  std::unique_ptr<LiveTransport> transport_;
  CaptureRecorder recorder_;
  bool showProgress_ = false;
};

#endif  // DISCOVERY_LIVEDEVICE_H_
