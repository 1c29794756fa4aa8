#include "readers/VirtualRouterCommand.h"

namespace {

const char kSwitch[] = "virtual-router";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The next blank-separated word from `at`, which moves past it.
std::string NextWord(const std::string& text, size_t& at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  const size_t start = at;
  while (at < text.size() && !IsBlank(text[at])) ++at;
  return text.substr(start, at - start);
}

}  // namespace

std::optional<std::string> SwitchedRouter(const std::string& command) {
  size_t at = 0;
  if (NextWord(command, at) != kSwitch) return std::nullopt;
  std::string router = NextWord(command, at);
  // Further words belong to the name as the capture's reader keeps them, one blank apart.
  for (std::string more = NextWord(command, at); !more.empty(); more = NextWord(command, at)) {
    router += ' ' + more;
  }
  if (router.empty()) return std::nullopt;
  return router;
}

std::string SwitchCommand(const std::string& router) { return std::string(kSwitch) + ' ' + router; }

bool VirtualRouterFollower::Follow(const std::string& command) {
  std::optional<std::string> router = SwitchedRouter(command);
  if (!router) return false;
  router_ = std::move(*router);
  return true;
}
