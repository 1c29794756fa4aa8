// The network questions of erx-discover, asked of a results store:
//
//   erx-discover paths --store FILE [--run N] [--device NAME] [--format text|json|dot|svg]
//   erx-discover vpns --store FILE [--run N] [--format text|json|dot|svg] [--full]
//   erx-discover html --store FILE [--run N] -o PAGE.html
#ifndef NETWORK_NETWORKCOMMANDS_H_
#define NETWORK_NETWORKCOMMANDS_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "status/Status.h"

namespace network {

struct NetworkOptions {
  std::string storePath;
  std::optional<int64_t> run;  // none: the last finished run
  std::string device;          // paths: only those through it
  std::string format = "text";
  std::string output;  // html: the page's file
  bool full = false;   // vpns text: every VRF of a list, however many
};

// Each writes its answer to `out` (the page to options.output), or fails
// saying why: a store or run that cannot be read, an answer that cannot be
// written.
Status ShowPaths(const NetworkOptions& options, std::ostream& out);
Status ShowVpns(const NetworkOptions& options, std::ostream& out);
Status WritePage(const NetworkOptions& options);

}  // namespace network

#endif  // NETWORK_NETWORKCOMMANDS_H_
