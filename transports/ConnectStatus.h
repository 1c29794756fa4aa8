// How reaching and logging in to a router ended: connected, failed (the
// router could not be reached or did not answer, worth another try later), or
// refused (it was reached but would not let us in: a wrong password, a
// refused "enable", an SSH host key not known to be the router's; trying
// again would only repeat it). A failure carries one line, no secret in it.
//
//   ConnectStatus opened = session.Open();
//   if (opened.refused()) ...              // the login, not the network
//   else if (!opened.ok()) ... opened.message()
#ifndef TRANSPORTS_CONNECTSTATUS_H_
#define TRANSPORTS_CONNECTSTATUS_H_

#include <string>
#include <utility>

#include "status/Status.h"

class [[nodiscard]] ConnectStatus {
 public:
  enum class Kind { kConnected, kFailed, kRefused };

  ConnectStatus() = default;  // connected
  // A plain Status: connected when ok, else failed.
  ConnectStatus(Status status)  // NOLINT: a failure that is no refusal converts as it is
      : status_(std::move(status)), kind_(status_.ok() ? Kind::kConnected : Kind::kFailed) {}

  static ConnectStatus Refused(std::string message) {
    ConnectStatus refused(Status::Failure(std::move(message)));
    refused.kind_ = Kind::kRefused;
    return refused;
  }

  bool ok() const { return kind_ == Kind::kConnected; }
  bool refused() const { return kind_ == Kind::kRefused; }
  Kind kind() const { return kind_; }
  // Empty when connected.
  const std::string& message() const { return status_.message(); }
  const Status& status() const { return status_; }

 private:
  Status status_;
  Kind kind_ = Kind::kConnected;
};

#endif  // TRANSPORTS_CONNECTSTATUS_H_
