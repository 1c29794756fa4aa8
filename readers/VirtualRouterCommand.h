// The one place that knows which virtual router a request's commands run in.
// A session starts every request in "default"; `virtual-router NAME` moves it.
// The router reads a command as words, so blanks around and between them do
// not matter: "virtual-router   vr2 " moves to "vr2", as the capture's reader
// and the replay take it.
//
//   VirtualRouterFollower follower;
//   for (const std::string& command : commands) {
//     if (follower.Follow(command)) continue;   // a switch
//     ... command runs in follower.Router() ...
//   }
#ifndef READERS_VIRTUALROUTERCOMMAND_H_
#define READERS_VIRTUALROUTERCOMMAND_H_

#include <optional>
#include <string>

// The virtual router that `command` switches to; nullopt for any other command
// (also for a `virtual-router` that names none).
std::optional<std::string> SwitchedRouter(const std::string& command);
// The command that switches to `router`.
std::string SwitchCommand(const std::string& router);

class VirtualRouterFollower {
 public:
  // True when `command` switched virtual routers.
  bool Follow(const std::string& command);
  const std::string& Router() const { return router_; }

 private:
  std::string router_ = "default";
};

#endif  // READERS_VIRTUALROUTERCOMMAND_H_
