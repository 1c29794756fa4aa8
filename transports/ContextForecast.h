// The SNMP contexts that the CLI named, in the order it named them, so that
// the transport can ask them ahead of the host: a virtual router switched to
// (`virtual-router vr1` names "@vr1"), a VRF in a command
// (`show ip route vrf red` in vr1 names "@vr1:red") and the rows of the two
// tables of contexts (`show virtual-router`, `show ip vrf`).
//
//   ContextForecast forecast;
//   forecast.StartRequest();
//   forecast.NoteAnswer("show virtual-router", reply);
//   for (const std::string& context : forecast.After("@vr1", 16)) ...;
#ifndef TRANSPORTS_CONTEXTFORECAST_H_
#define TRANSPORTS_CONTEXTFORECAST_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "readers/VirtualRouterCommand.h"

// "" is the device itself, "@vr1" a virtual router, "@vr1:red" a VRF.
enum class ContextKind { kDevice, kVirtualRouter, kVrf };
ContextKind KindOfContext(const std::string& context);

class ContextForecast {
 public:
  // A request's commands start in the default virtual router.
  void StartRequest() { follower_ = VirtualRouterFollower(); }
  // Notes the contexts that an answered command and its reply name.
  void NoteAnswer(const std::string& command, std::string_view reply);
  // Up to `count` contexts of the kind of `context` named after it, in order;
  // none when `context` was never named.
  std::vector<std::string> After(const std::string& context, size_t count) const;

 private:
  void Note(const std::string& context);

  VirtualRouterFollower follower_;
  std::vector<std::string> named_;
  std::map<std::string, size_t> at_;  // context -> index in named_
};

#endif  // TRANSPORTS_CONTEXTFORECAST_H_
